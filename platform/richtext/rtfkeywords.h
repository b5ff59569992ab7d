#pragma once

#include <string_view>

namespace platform::rtf {

/// What a control word does to the reader.
enum class Kw : unsigned char {
    Unknown,
    // destinations
    FontTable,
    ColorTable,
    SkipDest,      ///< holds no body text
    ContainerDest, ///< holds no text itself, but some of its groups do
    BodyDest,      ///< text shown in the body (field results, shape text...)
    HeaderDest,    ///< page headers and footers
    // document
    Rtf,
    Ansi,
    Mac,
    Pc,
    Pca,
    AnsiCpg,
    DefaultFont,
    // font table entries
    Font,
    FontCharset,
    FontCodePage,
    // colour table entries
    Red,
    Green,
    Blue,
    // character formatting
    FontSize,
    Bold,
    Italic,
    Underline,
    UnderlineNone,
    Strike,
    Color,
    Super,
    Sub,
    NoSuperSub,
    Hidden,
    Plain,
    // paragraphs
    Pard,
    AlignLeft,
    AlignRight,
    AlignCenter,
    AlignJustify,
    InTable,
    Par,
    Line,
    Tab,
    Cell,
    Row,
    NestCell,
    NestRow,
    Break, ///< section or page break: ends a paragraph that has text
    // characters
    Char, ///< inserts the character in the table's value
    Unicode,
    UnicodeSkip,
    Bin,
};

struct Keyword {
    Kw kind = Kw::Unknown;
    char16_t character = 0; ///< for Kw::Char
};

/// Looks a control word up (its letters only, without parameter).
Keyword lookupKeyword(std::string_view word);

} // namespace platform::rtf
