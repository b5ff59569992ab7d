#pragma once

#include "parlivox/common/logic/services.h"

#include <memory>

namespace platform {
class MessageBox;
}

/// Owns the real backends of every service of the editor and hands them out
/// as EditorServices. The packaging overrides of the environment
/// (PARLIVOX_PRINTER_PDF, PARLIVOX_AUDIO_CAPTURE) are read here, once.
class QtEditorServices {
public:
    QtEditorServices();
    /// messageBox, when given, replaces the real one; recognitionData, when
    /// not empty, the folder of the installed language data.
    explicit QtEditorServices(std::unique_ptr<platform::MessageBox> messageBox,
                              const QString& recognitionData = {});
    ~QtEditorServices();
    QtEditorServices(const QtEditorServices&) = delete;
    QtEditorServices& operator=(const QtEditorServices&) = delete;

    EditorServices& services() { return *m_services; }

private:
    struct Backends;
    std::unique_ptr<Backends> m_backends;
    std::unique_ptr<EditorServices> m_services;
};
