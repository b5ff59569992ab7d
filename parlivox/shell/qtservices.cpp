#include "parlivox/shell/qtservices.h"

#include "platform/clock.h"
#include "platform/ocr/languages.h"
#include "platform/ocr/textrecognition.h"
#include "platform/registry.h"
#include "platform/settings.h"
#include "platform/speech/spvoice.h"
#include "platform/ui/clipboard.h"
#include "platform/ui/commondialog.h"
#include "platform/ui/helpviewer.h"
#include "platform/ui/keyboard.h"
#include "platform/ui/messagebox.h"
#include "platform/ui/printer.h"
#include "platform/ui/process.h"

#include <QFile>
#include <QLocale>

using namespace Qt::StringLiterals;

namespace {

/// The help's table of the languages text recognition reads, as installed.
QString languageRows(const QString& dataPath)
{
    QString rows;
    const QStringList languages = platform::ocr::installedLanguages(dataPath);
    for (const QString& language : languages) {
        const QLocale::Language name =
            QLocale::codeToLanguage(QString(language).section(u'_', 0, 0), QLocale::ISO639Part2);
        rows += u"<tr><td>"_s + language + u"</td><td>"_s +
                (name == QLocale::AnyLanguage ? QString() : QLocale::languageToString(name)) +
                u"</td><td>"_s + platform::ocr::packageOf(language) + u"</td></tr>\n"_s;
    }
    if (languages.isEmpty())
        rows = u"<tr><td colspan=\"3\">none: install tesseract-ocr-eng</td></tr>\n"_s;
    return rows;
}

} // namespace

struct QtEditorServices::Backends {
    explicit Backends(const QString& recognitionData)
        : recognition(recognitionData.isEmpty() ? platform::ocr::defaultDataPath()
                                                : recognitionData)
    {
    }
    platform::IniSettingsStore settings;
    /// The start-up's replacement of the message box, if any.
    std::unique_ptr<platform::MessageBox> messageBox;
    platform::QtMessageBox qtMessageBox;
    platform::QtCommonDialog dialog;
    platform::QtClipboard clipboard;
    /// PARLIVOX_PRINTER_PDF=/path.pdf makes the default printer a PDF writer.
    platform::QtPrinter printer{qEnvironmentVariable("PARLIVOX_PRINTER_PDF")};
    platform::QtProcessStarter processes;
    platform::QtHelpViewer help{u"Parlivox Help"_s, [this](QString page) {
                                    return page.replace(u"<!--installed languages-->"_s,
                                                        languageRows(recognition.dataPath()));
                                }};
    platform::X11KeyboardIndicators keyboard;
    platform::SystemClock clock;
    platform::LinuxRegistry registry;
    /// PARLIVOX_AUDIO_CAPTURE=/path.wav also writes every sample played there.
    platform::EspeakEngine speech{qEnvironmentVariable("PARLIVOX_AUDIO_CAPTURE")};
    platform::ocr::TesseractRecognition recognition;
};

QtEditorServices::QtEditorServices() : QtEditorServices(nullptr) {}

QtEditorServices::QtEditorServices(std::unique_ptr<platform::MessageBox> messageBox,
                                   const QString& recognitionData)
    : m_backends(std::make_unique<Backends>(recognitionData))
{
    Backends& b = *m_backends;
    b.messageBox = std::move(messageBox);
    m_services = std::make_unique<EditorServices>(EditorServices{
        b.settings, b.messageBox ? *b.messageBox : b.qtMessageBox, b.dialog, b.clipboard, b.printer,
        b.processes, b.help, b.keyboard, b.clock, b.registry, b.speech, &b.recognition});
}

QtEditorServices::~QtEditorServices() = default;
