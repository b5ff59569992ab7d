#include "platform/richtext/rtfkeywords.h"

#include <unordered_map>

namespace platform::rtf {
namespace {

using Table = std::unordered_map<std::string_view, Keyword>;

Table buildTable()
{
    Table table;
    const auto add = [&table](std::initializer_list<std::string_view> words, Kw kind) {
        for (const std::string_view word : words)
            table[word] = Keyword{kind, 0};
    };
    const auto chr = [&table](std::string_view word, char16_t character) {
        table[word] = Keyword{Kw::Char, character};
    };

    add({"fonttbl"}, Kw::FontTable);
    add({"colortbl"}, Kw::ColorTable);
    // Groups whose content is never body text: document properties, tables of
    // styles and lists, pictures and object data, headers, footers, notes,
    // field instructions, bookmarks, shape properties and fallbacks.
    add({"stylesheet",
         "info",
         "pict",
         "footnote",
         "annotation",
         "fldinst",
         "xe",
         "tc",
         "tcn",
         "bkmkstart",
         "bkmkend",
         "listtable",
         "listoverridetable",
         "revtbl",
         "rsidtbl",
         "generator",
         "filetbl",
         "objdata",
         "objclass",
         "objname",
         "objalias",
         "objsect",
         "objitem",
         "objtopic",
         "objtime",
         "template",
         "nonshppict",
         "sp",
         "sn",
         "sv",
         "shprslt",
         "do",
         "datafield",
         "formfield",
         "fname",
         "falt",
         "panose",
         "txe",
         "rxe",
         "atnid",
         "atnauthor",
         "atndate",
         "atnref",
         "atnicn",
         "atnparent",
         "atrfstart",
         "atrfend",
         "themedata",
         "colorschememapping",
         "latentstyles",
         "datastore",
         "xmlnstbl",
         "mmathPr",
         "userprops",
         "pn",
         "pntxta",
         "pntxtb",
         "leveltext",
         "levelnumbers",
         "list",
         "listoverride",
         "listlevel",
         "listpicture",
         "background",
         "docvar",
         "fchars",
         "lchars",
         "ftnsep",
         "ftnsepc",
         "ftncn",
         "aftnsep",
         "aftnsepc",
         "aftncn",
         "blipuid",
         "picprop",
         "nonesttables",
         "pgdsctbl",
         "pgdsc",
         "title",
         "subject",
         "author",
         "operator",
         "keywords",
         "comment",
         "doccomm",
         "company",
         "manager",
         "category",
         "hlinkbase",
         "creatim",
         "revtim",
         "printim",
         "buptim",
         "passwordhash",
         "wgrffmtfilter",
         "protusertbl",
         "pnseclvl",
         "mmathPict",
         "htmltag",
         "mhtmltag",
         "ffdeftext",
         "ffformat",
         "ffhelptext",
         "ffl",
         "ffname",
         "ffstattext",
         "ffentrymcr",
         "ffexitmcr",
         "fldtype",
         "oldcprops",
         "oldpprops",
         "oldtprops",
         "oldsprops",
         "dptxbxtext",
         "mvfmf",
         "mvfml",
         "mvtof",
         "mvtol",
         "formfldsp",
         "ebcstart",
         "ebcend",
         "gridtbl",
         "fontemb",
         "fontfile",
         "keycode",
         "macc",
         "mchr",
         "mbegChr",
         "mendChr",
         "msepChr",
         "mpos",
         "mvertJc",
         "mmcJc",
         "mcount"},
        Kw::SkipDest);
    add({"header", "headerl", "headerr", "headerf", "footer", "footerl", "footerr", "footerf"},
        Kw::HeaderDest);
    add({"shp", "shpgrp", "shpinst", "upr", "object", "mmath", "moMathPara", "moMath"},
        Kw::ContainerDest);
    add({"fldrslt", "shptxt", "ud", "result", "mr", "pntext", "listtext"}, Kw::BodyDest);

    add({"rtf"}, Kw::Rtf);
    add({"ansi"}, Kw::Ansi);
    add({"mac"}, Kw::Mac);
    add({"pc"}, Kw::Pc);
    add({"pca"}, Kw::Pca);
    add({"ansicpg"}, Kw::AnsiCpg);
    add({"deff"}, Kw::DefaultFont);
    add({"f"}, Kw::Font);
    add({"fcharset"}, Kw::FontCharset);
    add({"cpg"}, Kw::FontCodePage);
    add({"red"}, Kw::Red);
    add({"green"}, Kw::Green);
    add({"blue"}, Kw::Blue);

    add({"fs"}, Kw::FontSize);
    add({"b"}, Kw::Bold);
    add({"i"}, Kw::Italic);
    add({"ul", "uld", "uldash", "uldashd", "uldashdd", "uldb", "ulhwave", "ulldash", "ulth",
         "ulthd", "ulthdash", "ulthdashd", "ulthdashdd", "ulthldash", "ululdbwave", "ulw",
         "ulwave"},
        Kw::Underline);
    add({"ulnone"}, Kw::UnderlineNone);
    add({"strike", "striked"}, Kw::Strike);
    add({"cf"}, Kw::Color);
    add({"super"}, Kw::Super);
    add({"sub"}, Kw::Sub);
    add({"nosupersub"}, Kw::NoSuperSub);
    add({"v"}, Kw::Hidden);
    add({"plain"}, Kw::Plain);

    add({"pard"}, Kw::Pard);
    add({"ql"}, Kw::AlignLeft);
    add({"qr"}, Kw::AlignRight);
    add({"qc"}, Kw::AlignCenter);
    add({"qj", "qd"}, Kw::AlignJustify);
    add({"intbl"}, Kw::InTable);
    add({"par"}, Kw::Par);
    add({"line", "softline"}, Kw::Line);
    add({"tab"}, Kw::Tab);
    add({"cell"}, Kw::Cell);
    add({"row"}, Kw::Row);
    add({"nestcell"}, Kw::NestCell);
    add({"nestrow"}, Kw::NestRow);
    add({"sect", "page", "column"}, Kw::Break);

    chr("emdash", 0x2014);
    chr("endash", 0x2013);
    chr("bullet", 0x2022);
    chr("lquote", 0x2018);
    chr("rquote", 0x2019);
    chr("ldblquote", 0x201C);
    chr("rdblquote", 0x201D);
    chr("emspace", 0x2003);
    chr("enspace", 0x2002);
    chr("qmspace", 0x2005);
    chr("zwj", 0x200D);
    chr("zwnj", 0x200C);
    chr("zwbo", 0x200B);
    chr("zwnbo", 0xFEFF);
    chr("ltrmark", 0x200E);
    chr("rtlmark", 0x200F);
    add({"u"}, Kw::Unicode);
    add({"uc"}, Kw::UnicodeSkip);
    add({"bin"}, Kw::Bin);
    return table;
}

} // namespace

Keyword lookupKeyword(std::string_view word)
{
    static const Table table = buildTable();
    const auto found = table.find(word);
    return found == table.end() ? Keyword{} : found->second;
}

} // namespace platform::rtf
