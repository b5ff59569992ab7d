#pragma once

#include <QString>

#include <array>
#include <memory>

class QStringDecoder;

namespace platform {

/// The Windows code page a font's character set stands for (\fcharsetN), or 0
/// when the set means "the document's own code page" or is unknown.
int codePageForCharset(int charset);

/// Decodes the bytes of one Windows code page: single-byte pages through a
/// table, double-byte pages (932, 936, 949, 950) and UTF-8 (65001) by
/// sequence. An unknown page reads as 1252.
class CodePageDecoder {
public:
    explicit CodePageDecoder(int codePage);
    ~CodePageDecoder();
    CodePageDecoder(const CodePageDecoder&) = delete;
    CodePageDecoder& operator=(const CodePageDecoder&) = delete;

    int codePage() const { return m_codePage; }
    /// Bytes in the sequence that starts with lead (1 on single-byte pages).
    int sequenceLength(unsigned char lead) const;
    /// One byte of a single-byte page, or a lone byte of a multi-byte page.
    QChar byte(unsigned char b) const { return m_table[b]; }
    /// A whole sequence (or any run of bytes); U+FFFD for what the page does
    /// not define.
    QString decode(const char* bytes, int length);

private:
    int m_codePage;
    bool m_multiByte = false;
    std::array<QChar, 256> m_table{};
    std::unique_ptr<QStringDecoder> m_decoder;
};

/// Windows-1252 as Windows reads it: the five undefined bytes become the C1
/// controls of the same value.
QString decodeWindows1252(const char* bytes, qsizetype length);

/// The Windows-1252 byte of a character, or -1 when the page lacks it.
int encodeWindows1252(char16_t c);

} // namespace platform
