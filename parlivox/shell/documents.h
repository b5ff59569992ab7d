#pragma once

#include <QString>

class AppState;
class EditorWindow;
struct EditorServices;

namespace platform {
enum class MsgButtons;
}
namespace recovery {
struct SnapshotInfo;
}

/// The open document's commands: New, Open, Save, Save As, the save prompt
/// they share with the close request, and the file named on the command line.
class Documents {
public:
    Documents(EditorWindow& window, EditorServices& services, AppState& state);
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
    /// Opens the file named by the command line's argument text.
    void openCommandLine(const QString& commandLine);
    /// Shows the changes taken back from a recovery snapshot, now in the
    /// editor, as the document they belong to: unsaved, under its path.
    void showRecovered(const recovery::SnapshotInfo& info);

private:
    /// Sets the Save As dialog's filter and, for a document read from
    /// another format, the name it proposes.
    void proposeSaveName();

    EditorWindow& m_window;
    EditorServices& m_services;
    AppState& m_state;
};
