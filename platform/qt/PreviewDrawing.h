#pragma once

#include <QImage>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "platform/jet/file/EngineOptions.h"
#include "platform/jet/process/ChildProcess.h"
#include "platform/posix/ScopedHandles.h"

namespace platform::qt {

// One preview's renderer helper (calvenor-print), the same program that draws the reports saved as PDF:
// started on the database file checked as a print job checks it, asked what the report needs, then
// told to draw it page by page for the screen. The pages arrive as compressed pixels while the helper
// goes on drawing; whatever it sends is checked before it is believed. Ending the object ends the helper.
class PreviewDrawing {
  public:
    using Values = std::vector<std::pair<std::string, std::string>>;

    // Raises Failure with the engine's words when the database cannot be opened, or the helper started.
    PreviewDrawing(const jet::EngineOptions& options, const std::string& database,
                   const std::string& password);
    PreviewDrawing(const PreviewDrawing&) = delete;
    PreviewDrawing& operator=(const PreviewDrawing&) = delete;

    // The database's path, made absolute as a print job names it.
    const std::string& database() const { return database_; }

    // What the report's record sources ask for, each name and type once; waits for the helper's answer
    // within the options' time limit. Raises Failure when they cannot be worked out.
    Values parameters(const std::string& report);

    // Has the helper draw the report, its record sources given the values, at dotsPerInch.
    void draw(const std::string& report, int dotsPerInch, const Values& values);

    // One page as it came: its size in pixels, the bytes of a pixel (4: RGB, 1: grey), and its pixels
    // compressed as the helper sent them, their declared size already found to be width x height x depth.
    struct Page {
        int width = 0;
        int height = 0;
        int depth = 4;
        std::string compressed;
    };

    // What arrived since the last call, read without waiting.
    struct News {
        std::vector<Page> pages;         // in order
        bool finished = false;           // every page has come: note says what the drawing left out
        std::string note;
        std::optional<std::string> failure;  // the drawing stopped, and why (no more news follows)
    };
    News read();

    // What to watch for reading; -1 once the drawing has finished or failed.
    int descriptor() const { return channel_.get(); }

  private:
    void stop();
    // Handles the complete messages at the start of received_; false once a message ends the drawing.
    bool takeMessages(News& news);

    std::string database_;
    std::string report_;
    jet::RunningChild helper_{-1};
    posix::ScopedFd channel_;  // closed before the helper is ended: it sees the end of its requests
    std::chrono::milliseconds timeLimit_;
    std::string received_;                // not yet handled
    std::optional<Page> awaited_;         // the page whose bytes are awaited, with their count
    std::size_t awaitedBytes_ = 0;
    int pages_ = 0;
    std::size_t heldBytes_ = 0;  // the pictures passed on so far
};

// The page's picture; null when its compressed bytes do not make exactly width x height x depth bytes.
QImage unpackPage(const PreviewDrawing::Page& page);

// The most a preview holds of its page pictures: a report of tens of thousands of pages stops there.
inline constexpr std::size_t kMostPreviewBytes = std::size_t{1} << 30;

}  // namespace platform::qt
