#pragma once

#include <string>
#include <string_view>

namespace platform {
class FileSystem;
class Shell;
class Ui;
class Window;
}  // namespace platform

namespace calvenor {

// True when the path names something that exists, as a query of its modification time tells: a file,
// or a folder too. Never fails.
bool FileExists(platform::FileSystem& files, std::string_view path);

// True only when the path names an existing folder. Never fails.
bool IsFolder(platform::FileSystem& files, std::string_view path);

// The Desktop folder followed by exactly one path separator. Fails with "Invalid procedure call or
// argument" when the platform cannot name the folder.
std::string GetDesktopFolder(platform::Shell& shell, platform::FileSystem& files);

// The window and its frames and labels take the system's button-face colour; text boxes and push
// buttons keep their own.
void SetFormColors(platform::Window& window);

// Sets the application title from the product title, shortened by ShortenTitle.
void SetAppTitle(platform::Ui& ui);

// Titles longer than 40 characters lose their last word, as often as needed. A title that still runs
// over with no blank left to cut at keeps its first 40 characters.
std::string ShortenTitle(std::string_view title);

// A file of the program folder; the relative name is written with "\" ("\Samples\sample.mdb") and
// takes the platform's separator.
std::string ProgramFile(platform::Shell& shell, platform::FileSystem& files, std::string_view relative);

}  // namespace calvenor
