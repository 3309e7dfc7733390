#pragma once

// The product's fixed names and addresses.
namespace calvenor::product {

inline constexpr char kTitle[] = "Calvenor";
inline constexpr char kMaker[] = "Drevmark";
inline constexpr char kSupportEmail[] = "support@drevmark.com";
inline constexpr char kHomePage[] = "https://www.drevmark.com/";

}  // namespace calvenor::product
