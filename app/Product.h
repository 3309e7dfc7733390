#pragma once

// The product's fixed names and addresses.
namespace calvenor::product {

inline constexpr char kTitle[] = "Calvenor";
inline constexpr char kMaker[] = "Drevmark";
inline constexpr char kSupportEmail[] = "support@drevmark.com";
inline constexpr char kHomePage[] = "https://www.drevmark.com/";
// Microsoft's download pages of the Access Database Engine redistributables, 2010 and 2016.
inline constexpr char kAccessEngine2010Download[] =
    "https://www.microsoft.com/en-us/download/details.aspx?id=13255";
inline constexpr char kAccessEngine2016Download[] =
    "https://www.microsoft.com/en-us/download/details.aspx?id=54920";

}  // namespace calvenor::product
