#pragma once

// The virtual printer that writes the PDF files: its device name, and its registry key below
// HKEY_CURRENT_USER with the two values that point it at the next file.
namespace calvenor::pdf_printer {

inline constexpr char kDeviceName[] = "Drevmark PDF Writer";
inline constexpr char kKey[] = "Software\\Drevmark PDF Writer";
inline constexpr char kOutputFile[] = "OutputFile";
inline constexpr char kBypassSaveAs[] = "BypassSaveAs";

}  // namespace calvenor::pdf_printer
