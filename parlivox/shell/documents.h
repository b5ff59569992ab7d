#pragma once

#include "platform/documents/recognition.h"

#include <QString>

#include <functional>
#include <memory>
#include <optional>

class AppState;
class EditorWindow;
class FileOpening;
struct EditorServices;

namespace platform {
enum class MsgButtons;
struct LoadedFile;
} // namespace platform
namespace recovery {
struct SnapshotInfo;
}

/// The open document's commands: New, Open, Save, Save As, the save prompt
/// they share with the close request, and the file named on the command line.
///
/// A file is read by a worker while the window goes on (FileOpening): Open
/// and the command-line open return once the reading has started, and
/// their last steps run when it ends. Meanwhile the user's input waits and
/// the open document stays as it was; a Cancel leaves it so.
class Documents {
public:
    Documents(EditorWindow& window, EditorServices& services, AppState& state);
    ~Documents();
    Documents(const Documents&) = delete;
    Documents& operator=(const Documents&) = delete;

    void newFile();
    void openFile();
    /// Save and Save As answer whether they wrote the document.
    bool saveFile();
    bool saveFileAs();
    /// The save prompt shared by New, Open (Yes/No/Cancel) and the close
    /// request (Yes/No); false when the user cancels or the save that
    /// follows Yes did not write the document.
    bool offerToSave(platform::MsgButtons buttons);
    static bool ifExist(const QString& fileName);
    /// Opens the file named by the command line's argument text. A command
    /// line that names no file raises at once; once the file is read,
    /// opened runs after a success, and a failure is shown with its
    /// description as the load sequence's handler shows it.
    void openCommandLine(const QString& commandLine, std::function<void()> opened = {});
    /// A file is being read for Open or the command line.
    bool reading() const { return m_opening != nullptr; }
    /// Stops that reading; the open document stays as it was.
    void cancelReading();
    /// The reading in progress, if any (for tests: its progress window).
    FileOpening* opening() const { return m_opening.get(); }
    /// Shows the changes taken back from a recovery snapshot, now in the
    /// editor, as the document they belong to: unsaved, under its path.
    void showRecovered(const recovery::SnapshotInfo& info);

private:
    /// Sets the Save As dialog's filter and, for a document read from
    /// another format, the name it proposes.
    void proposeSaveName();
    /// Starts reading path; done gets the file on the window's thread.
    void read(const QString& path, std::function<void(platform::LoadedFile)> done);
    /// Open's steps after the reading.
    void opened(platform::LoadedFile file);
    /// The language of the chosen voice ("gmw/en-GB"); empty when there is none.
    QString voiceLanguage();
    /// Panel 2 says what text recognition found, when the file needed it.
    void showRecognition(const std::optional<platform::RecognitionSummary>& recognition);
    /// The command-line open's steps after the reading.
    void openedFromCommandLine(platform::LoadedFile file);

    EditorWindow& m_window;
    EditorServices& m_services;
    AppState& m_state;
    std::unique_ptr<FileOpening> m_opening;
};
