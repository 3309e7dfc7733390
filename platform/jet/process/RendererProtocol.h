#pragma once

#include <cstddef>

namespace platform::jet {

// How the program and the renderer helper talk over one socket, the helper's result descriptor. The
// program sends a request and reads its whole answer before it sends the next; the helper ends when
// the program closes its side.
//
//   render  TITLE  REPORT  [NAME VALUE]...  a request: one line of LineProtocol's fields; REPORT is
//                                           read from the helper's database (none: empty); its record
//                                           sources are given the parameter values that follow
//   -> pdf  SIZE  NOTE                      the answer's line, then SIZE bytes: the PDF document;
//                                           NOTE says what the drawing left out (empty when nothing)
//   or error  REASON                        the report cannot be drawn: why, in plain words, for
//                                           "The report 'X' could not be drawn: REASON."
//
//   parameters  REPORT                      what the report's record sources ask for
//   -> parameters  [NAME TYPE]...           each parameter once, in the order Access asks
//   or error  REASON                        they cannot be worked out: why
//
//   preview  TITLE  REPORT  DPI  [NAME VALUE]...  the report drawn for the screen, as the render request
//                                           draws it, at DPI dots per inch; answered page by page
//   -> page  NUMBER  WIDTH  HEIGHT  DEPTH  SIZE  as each page is drawn, then SIZE bytes: its WIDTH x
//                                           HEIGHT pixels, rows top down, none padded, each DEPTH
//                                           bytes: 4 for 32-bit RGB (0xffRRGGBB in native byte order),
//                                           1 for a grey level when the page has no colour; as
//                                           qCompress writes them: the pixels' byte count (WIDTH x
//                                           HEIGHT x DEPTH) in 4 bytes, most significant first, then a
//                                           zlib stream of exactly that many bytes; quicker to make
//                                           than a PNG, and as exact
//   -> done  PAGES  NOTE                    after the last: the pages, and what the drawing left out
//                                           (empty when nothing)
//   or error  REASON                        at any point: the report cannot be drawn (no done follows)
inline constexpr char kRenderRequest[] = "render";
inline constexpr char kPreviewRequest[] = "preview";
inline constexpr char kPageAnswer[] = "page";
inline constexpr char kDoneAnswer[] = "done";

// The resolutions a preview may ask for (the screen's, within reason), and the largest page picture the
// program believes, compressed or not: far beyond any page of a screen's resolution.
inline constexpr int kLeastPreviewDpi = 24;
inline constexpr int kMostPreviewDpi = 300;
inline constexpr std::size_t kMaxPagePictureBytes = std::size_t{64} << 20;
inline constexpr char kParametersRequest[] = "parameters";
inline constexpr char kPdfAnswer[] = "pdf";
inline constexpr char kErrorAnswer[] = "error";

// No answer's line is longer: a helper that says more is not speaking this protocol.
inline constexpr std::size_t kMaxAnswerLine = 4096;

// A reason is cut to this many bytes of printable text, which escaped stays within an answer's line.
inline constexpr std::size_t kMaxReasonBytes = 1024;

// No document is larger (a report of some 50,000 pages with pictures): the helper builds it in memory,
// and so does the program before writing it.
inline constexpr std::size_t kMaxDocumentBytes = std::size_t{256} << 20;

}  // namespace platform::jet
