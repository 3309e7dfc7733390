#include "platform/qt/QtUi.h"

#include <QApplication>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QInputDialog>
#include <QMessageBox>
#include <QStandardPaths>
#include <QThread>
#include <exception>

#include "platform/Failure.h"
#include "platform/qt/OpenFileFilter.h"
#include "platform/qt/QtText.h"
#include "platform/qt/QtWindow.h"

namespace platform::qt {
namespace {

// Windows' open-file flag that refuses names of files that do not exist. The dialog's other flags are
// Windows' own styles (Explorer look, long names, the read-only check box) with no counterpart here,
// and are ignored.
constexpr std::uint32_t kFileMustExist = 0x1000;

// The chooser opens in the start folder, so that accepting at once chooses it. (Selecting it among its
// siblings would put its name into the name field, where Qt reads quotes as separators of several
// names.) Without a start folder, or when it is gone, it opens at the Desktop, else at home: where a
// user keeps files, never at the file system's root nor wherever Qt's dialog was last.
void openAtStartFolder(QFileDialog& chooser, const QString& startFolder) {
    const QString desktop = QStandardPaths::writableLocation(QStandardPaths::DesktopLocation);
    for (const QString& candidate : {startFolder, desktop, QDir::homePath()}) {
        const QFileInfo folder{candidate};
        if (!candidate.isEmpty() && folder.isAbsolute() && folder.isDir()) {
            chooser.setDirectory(folder.absoluteFilePath());
            return;
        }
    }
    chooser.setDirectory(QDir::homePath());
}

}  // namespace

std::unique_ptr<Window> QtUi::createWindow(const WindowLayout& layout) {
    return std::make_unique<QtWindow>(*this, layout);
}

// Kept here rather than as Qt's application display name, which some platforms append to every
// window's caption.
void QtUi::setApplicationTitle(std::string_view title) {
    applicationTitle_ = title;
}

std::string QtUi::applicationTitle() const {
    return applicationTitle_;
}

MessageAnswer QtUi::messageBox(std::string_view text, std::string_view caption, MessageButtons buttons,
                               MessageIcon icon) {
    const bool yesNo = buttons == MessageButtons::YesNo;
    stopIfEnded();

    QMessageBox box{QApplication::activeWindow()};
    box.setWindowModality(Qt::ApplicationModal);
    box.setWindowTitle(caption.empty() ? defaultCaption() : toQString(caption));
    box.setIcon(icon == MessageIcon::Exclamation ? QMessageBox::Warning : QMessageBox::NoIcon);
    box.setTextFormat(Qt::PlainText);
    box.setText(withLineFeeds(toQString(text)));
    if (yesNo) {
        box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
        box.setDefaultButton(QMessageBox::Yes);
    } else {
        box.setStandardButtons(QMessageBox::Ok);
    }
    box.exec();
    stopIfEnded();  // the box was closed by the program's end, not answered
    if (!yesNo) return MessageAnswer::Ok;
    return box.standardButton(box.clickedButton()) == QMessageBox::Yes ? MessageAnswer::Yes
                                                                       : MessageAnswer::No;
}

void QtUi::showOpen(Window& owner, OpenFileDialog& dialog) {
    stopIfEnded();
    auto* window = dynamic_cast<QtWindow*>(&owner);
    QFileDialog fileDialog{window != nullptr ? &window->widget() : nullptr, toQString(dialog.dialogTitle)};
    // Qt's own dialog: the same on every desktop, and it can be driven in tests.
    fileDialog.setOption(QFileDialog::DontUseNativeDialog);
    // The list shows the descriptions as given; the patterns behind them are Qt's spelling of them.
    fileDialog.setOption(QFileDialog::HideNameFilterDetails);
    fileDialog.setAcceptMode(QFileDialog::AcceptOpen);
    fileDialog.setFileMode((dialog.flags & kFileMustExist) != 0 ? QFileDialog::ExistingFile
                                                                : QFileDialog::AnyFile);
    // Patterns match without regard to letter case, as on Windows: "Sales.MDB" shows under "*.mdb".
    fileDialog.setFilter(fileDialog.filter() & ~QDir::CaseSensitive);
    const QStringList filters = openFileNameFilters(dialog.filter);
    if (!filters.isEmpty()) {
        fileDialog.setNameFilters(filters);
        fileDialog.selectNameFilter(filters.first());
    }
    const int result = fileDialog.exec();
    stopIfEnded();
    if (result != QDialog::Accepted) return;
    const QStringList chosen = fileDialog.selectedFiles();
    if (!chosen.isEmpty() && !chosen.first().isEmpty()) dialog.fileName = toUtf8(chosen.first());
}

// A text box with OK and Cancel over the active window; nothing when cancelled.
std::optional<std::string> QtUi::askForText(const QString& caption, const QString& prompt,
                                            const QString& start) {
    stopIfEnded();
    QInputDialog box{QApplication::activeWindow()};
    box.setWindowModality(Qt::ApplicationModal);
    box.setWindowTitle(caption);
    box.setInputMode(QInputDialog::TextInput);
    box.setLabelText(prompt);
    box.setTextValue(start);
    const int result = box.exec();
    stopIfEnded();  // closed by the program's end, not answered
    if (result != QDialog::Accepted) return std::nullopt;
    return toUtf8(box.textValue());
}

std::string QtUi::inputBox(std::string_view prompt) {
    return askForText(defaultCaption(), withLineFeeds(toQString(prompt)), QString{}).value_or(std::string{});
}

std::optional<std::string> QtUi::ask(const std::string& name, const std::string& /*type: text is typed*/,
                                     const std::string& remembered) {
    return askForText(QStringLiteral("Enter Parameter Value"), toQString(name), toQString(remembered));
}

std::string QtUi::browseForFolder(Window& owner, std::string_view prompt, std::string_view startFolder) {
    stopIfEnded();
    auto* window = dynamic_cast<QtWindow*>(&owner);
    QFileDialog chooser{window != nullptr ? &window->widget() : nullptr, QStringLiteral("Browse For Folder")};
    // Qt's own dialog, as for opening a database; it offers a new folder too.
    chooser.setOption(QFileDialog::DontUseNativeDialog);
    chooser.setFileMode(QFileDialog::Directory);
    chooser.setOption(QFileDialog::ShowDirsOnly);
    // The prompt stands where the dialog says where it looks, on the row above the folders.
    chooser.setLabelText(QFileDialog::LookIn, withLineFeeds(toQString(prompt)));
    openAtStartFolder(chooser, toQString(startFolder));
    const int result = chooser.exec();
    stopIfEnded();  // closed by the program's end, not answered
    if (result != QDialog::Accepted) return {};
    const QStringList chosen = chooser.selectedFiles();
    // Without a trailing separator, except the root's own.
    return chosen.isEmpty() ? std::string{} : toUtf8(QDir::cleanPath(chosen.first()));
}

QString QtUi::defaultCaption() const {
    QString title = toQString(applicationTitle_);
    return title.isEmpty() ? QCoreApplication::applicationName() : title;
}

// The enumeration calls this once per report, ten thousand times and more. Served at every call, the
// event queue lays the growing list out afresh each time: 10,000 reports took over five seconds that
// way, against a few milliseconds when the queue is served at most every 10 ms, which still repaints
// faster than the eye can tell. The program's end is looked for at every call.
void QtUi::doEvents() {
    constexpr qint64 kEventInterval = 10;  // milliseconds
    stopIfEnded();
    if (sinceEventsProcessed_.isValid() && sinceEventsProcessed_.elapsed() < kEventInterval) return;
    QCoreApplication::processEvents();
    sinceEventsProcessed_.start();
    stopIfEnded();
}

void QtUi::keepPainted() const {
    for (QWidget* window : QApplication::topLevelWidgets())
        if (window->isVisible()) window->repaint();
}

void QtUi::stopIfEnded() const {
    if (ended_) throw ProgramEnded{};
}

void QtUi::endProgram() {
    if (ended_) return;
    ended_ = true;
    // Closing raises no unload handler any more: the program is ending already.
    for (QWidget* window : QApplication::topLevelWidgets()) window->close();
    // Leaves every running event loop, a dialog's included. Before the main loop has started there is
    // none to leave: the entry asks programEnded() instead.
    if (QThread::currentThread()->loopLevel() > 0) QCoreApplication::exit(0);
}

void QtUi::raiseFromToolkit(const Event& event) {
    if (ended_) return;
    std::string report;
    try {
        event();
        return;
    } catch (const ProgramEnded&) {
        return;  // the handler stopped where the program ended
    } catch (...) {
        report = untrappedFailureReport(std::current_exception());
    }
    try {
        messageBox(report, "", MessageButtons::Ok, MessageIcon::Exclamation);
    } catch (const ProgramEnded&) {
        return;  // ended meanwhile: nothing more to say
    }
    endProgram();
}

void QtUi::raiseFromCall(const Event& event) {
    if (!ended_) event();
}

}  // namespace platform::qt
