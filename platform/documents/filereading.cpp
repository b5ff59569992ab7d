// Reading a file into a detached document, by its content, on whatever
// thread asks; and the worker thread through which the window reads.
#include "platform/documents/filereading.h"

#include "platform/documentlimits.h"
#include "platform/documents/errors.h"
#include "platform/fileio.h"
#include "platform/richtext/rtfreader.h"
#include "platform/textdecode.h"

#include <QFile>
#include <QFileInfo>
#include <QTextDocument>
#include <QThread>

#include <new>
#include <sys/stat.h>

namespace platform {
namespace {

/// Refuses at once what is not a file to read whole: a named pipe would
/// block the read for ever, a device (/dev/zero) would feed it without end.
/// A directory goes on to the read, which says so as it always has.
void refuseSpecialFile(const QString& path)
{
    struct stat info {};
    if (::stat(QFile::encodeName(path).constData(), &info) != 0)
        return; // the read says why
    if (S_ISREG(info.st_mode) || S_ISDIR(info.st_mode))
        return;
    const QString what = S_ISFIFO(info.st_mode)   ? QStringLiteral("a named pipe")
                         : S_ISSOCK(info.st_mode) ? QStringLiteral("a socket")
                                                  : QStringLiteral("a device");
    throw Error(err::PathFileAccess, QStringLiteral("Path/File access error: %1 is not a file "
                                                    "that can be opened (it is %2)")
                                         .arg(path, what));
}

/// Characters a plain-text file decodes to, counted on its bytes so that a
/// file far beyond the limits is refused before it is decoded.
qsizetype plainTextLength(QByteArrayView data)
{
    if (data.startsWith("\xFF\xFE") || data.startsWith("\xFE\xFF"))
        return data.size() / 2;
    qsizetype characters = 0;
    for (const char c : data)
        characters += (static_cast<unsigned char>(c) & 0xC0) != 0x80;
    return characters;
}

/// The refusal of a file whose document would hold more than limit of what.
[[noreturn]] void refuse(const QString& path, qsizetype limit, const char* what)
{
    throw documents::tooLargeToOpen(QFileInfo(path).fileName(),
                                    QStringLiteral("holds ") +
                                        limits::moreThan(limit, QString::fromLatin1(what)));
}

std::unique_ptr<QTextDocument> plainDocument(const QByteArray& data, const QString& path,
                                             const QFont& font)
{
    if (plainTextLength(data) > limits::maxCharacters)
        refuse(path, limits::maxCharacters, "characters");
    const QString text = decodePlainText(data);
    if (text.size() > limits::maxCharacters)
        refuse(path, limits::maxCharacters, "characters");
    if (text.count(u'\n') >= limits::maxParagraphs)
        refuse(path, limits::maxParagraphs, "lines");
    auto document = std::make_unique<QTextDocument>();
    document->setUndoRedoEnabled(false);
    document->setDefaultFont(font);
    document->setPlainText(text);
    document->setUndoRedoEnabled(true);
    document->setModified(false);
    return document;
}

std::unique_ptr<QTextDocument> rtfDocument(const QByteArray& data, const QString& path,
                                           const QFont& font)
{
    const RtfContent content = parseRtf(data);
    if (content.report.tooLarge) {
        if (content.text.size() > limits::maxCharacters)
            refuse(path, limits::maxCharacters, "characters");
        refuse(path, limits::maxParagraphs, "paragraphs");
    }
    return buildDocument(content, font);
}

} // namespace

LoadedFile readFile(const QString& path, const QFont& defaultFont, ReadProgress* progress,
                    const RecognitionRequest& recognition)
{
    LoadedFile file;
    file.path = path;
    try {
        refuseSpecialFile(path);
    } catch (const Error& error) {
        file.refused = error;
        return file;
    }
    QByteArray data;
    try {
        data = readWholeFile(path);
    } catch (const Error& error) {
        file.unreadable = error;
        return file;
    } catch (const std::bad_alloc&) {
        file.unreadable = Error(err::OutOfMemory, QStringLiteral("Out of memory"));
        return file;
    }
    try {
        if (progress)
            progress->check();
        if (looksLikeRtf(data)) {
            file.document = rtfDocument(data, path, defaultFont);
            return file;
        }
        file.format = recogniseDocument(data, path);
        if (file.format == DocumentFormat::None) {
            file.document = plainDocument(data, path, defaultFont);
            return file;
        }
        DocumentRead read =
            readDocument(std::move(data), file.format, path, defaultFont, progress, recognition);
        file.document = std::move(read.document);
        file.refused = std::move(read.error);
        file.recognition = std::move(read.recognition);
        if (file.recognition && file.format == DocumentFormat::Pdf)
            file.format = DocumentFormat::ScannedPdf;
    } catch (const Error& error) {
        file.refused = error;
    } catch (const std::bad_alloc&) {
        file.refused = Error(err::OutOfMemory, QStringLiteral("Out of memory"));
    } catch (...) {
        file.refused = Error(err::BadFileFormat,
                             QStringLiteral("Invalid file format: ") + QFileInfo(path).fileName());
    }
    if (file.refused)
        file.document.reset();
    return file;
}

// ---- the worker ---------------------------------------------------------------

FileReading::FileReading(const QString& path, const QFont& defaultFont, QObject* parent,
                         RecognitionRequest recognition)
    : QObject(parent), m_path(path), m_font(defaultFont), m_recognition(std::move(recognition)),
      m_home(QThread::currentThread())
{
    m_thread.reset(QThread::create([this] { run(); }));
    connect(m_thread.get(), &QThread::finished, this, &FileReading::finished);
    m_thread->start();
}

FileReading::~FileReading()
{
    m_progress.cancel();
    m_thread->wait();
}

void FileReading::run()
{
    LoadedFile file;
    try {
        file = readFile(m_path, m_font, &m_progress, m_recognition);
        if (file.document)
            file.document->moveToThread(m_home);
    } catch (...) {
        // readFile throws nothing; a failure to hand the document over is a refusal too.
        file.document.reset();
        file.refused = Error(err::OutOfMemory, QStringLiteral("Out of memory"));
    }
    const std::lock_guard lock(m_mutex);
    m_file = std::move(file);
    m_done = true;
}

bool FileReading::isDone() const
{
    const std::lock_guard lock(m_mutex);
    return m_done;
}

LoadedFile FileReading::take()
{
    const std::lock_guard lock(m_mutex);
    LoadedFile file = std::move(m_file);
    m_file = LoadedFile{};
    return file;
}

// ---- progress ---------------------------------------------------------------------

void ReadProgress::report(double done, const QString& text)
{
    m_done.store(std::clamp(done, 0.0, 1.0), std::memory_order_relaxed);
    {
        const std::lock_guard lock(m_mutex);
        if (m_text != text)
            m_text = text;
    }
    check();
}

void ReadProgress::check() const
{
    if (cancelled())
        throw cancelSelected();
}

QString ReadProgress::text() const
{
    const std::lock_guard lock(m_mutex);
    return m_text;
}

} // namespace platform
