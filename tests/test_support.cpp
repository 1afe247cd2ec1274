#include "test_support.h"

namespace tavrune {

std::string Utf8(const std::u16string& s) {
    std::string out;
    for (std::size_t i = 0; i < s.size(); ++i) {
        std::uint32_t c = s[i];
        if (c >= 0xD800 && c < 0xDC00 && i + 1 < s.size()) c = 0x10000 + ((c - 0xD800) << 10) + (s[++i] - 0xDC00);
        if (c < 0x80) {
            out += static_cast<char>(c);
        } else if (c < 0x800) {
            out += static_cast<char>(0xC0 | (c >> 6));
            out += static_cast<char>(0x80 | (c & 0x3F));
        } else if (c < 0x10000) {
            out += static_cast<char>(0xE0 | (c >> 12));
            out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (c & 0x3F));
        } else {
            out += static_cast<char>(0xF0 | (c >> 18));
            out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
            out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (c & 0x3F));
        }
    }
    return out;
}

std::u16string Progress(const std::u16string& name) { return u"正在优化 " + name; }

std::vector<std::u16string> FormTest::Texts() const {
    std::vector<std::u16string> texts;
    for (const auto& row : list.Rows()) texts.push_back(row.text);
    return texts;
}

std::vector<int> FormTest::MarkedRows() const {
    std::vector<int> rows;
    for (int i = 0; i < list.Count(); ++i) {
        if (list.Marked(i)) rows.push_back(i);
    }
    return rows;
}

void FormTest::ListManual() {
    platform.answerOk = true;
    form.Option1_Click(kOptionManual);
}

}  // namespace tavrune
