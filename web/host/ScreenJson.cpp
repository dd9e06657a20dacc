#include "ScreenJson.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <utility>

std::string Latin1ToUtf8(const std::string& text) {
    std::string out;
    out.reserve(text.size() + text.size() / 4);
    for (const char ch : text) {
        const auto c = static_cast<unsigned char>(ch);
        if (c < 0x80) {
            out += static_cast<char>(c);
        } else {
            out += static_cast<char>(0xC0 | (c >> 6));
            out += static_cast<char>(0x80 | (c & 0x3F));
        }
    }
    return out;
}

std::string Utf8ToLatin1(const std::string& text) {
    std::string out;
    out.reserve(text.size());
    size_t i = 0;
    const size_t n = text.size();
    const auto byte = [&](size_t k) { return static_cast<unsigned char>(text[k]); };
    while (i < n) {
        const unsigned char c = byte(i);
        int extra = 0;
        uint32_t cp = 0;
        if (c < 0x80) {
            out += static_cast<char>(c);
            ++i;
            continue;
        } else if ((c & 0xE0) == 0xC0) {
            extra = 1;
            cp = c & 0x1F;
        } else if ((c & 0xF0) == 0xE0) {
            extra = 2;
            cp = c & 0x0F;
        } else if ((c & 0xF8) == 0xF0) {
            extra = 3;
            cp = c & 0x07;
        } else {
            out += '?';
            ++i;
            continue;
        }
        bool whole = i + static_cast<size_t>(extra) < n;
        for (int k = 1; whole && k <= extra; ++k) {
            const unsigned char d = byte(i + static_cast<size_t>(k));
            if ((d & 0xC0) != 0x80) whole = false;
            else cp = (cp << 6) | (d & 0x3F);
        }
        if (!whole) {
            out += '?';
            ++i;
            continue;
        }
        i += static_cast<size_t>(extra) + 1;
        if (cp <= 0xFF) out += static_cast<char>(cp);
        else if (cp >= 0x10000) out += "??";
        else out += '?';
    }
    return out;
}

std::string JsonString(const std::string& utf8) {
    std::string out;
    out.reserve(utf8.size() + 2);
    out += '"';
    for (const char ch : utf8) {
        const auto c = static_cast<unsigned char>(ch);
        switch (c) {
            case '"': out += "\\\""; break;
            case '\\': out += "\\\\"; break;
            case '\n': out += "\\n"; break;
            case '\r': out += "\\r"; break;
            case '\t': out += "\\t"; break;
            default:
                if (c < 0x20) {
                    char buf[8];
                    std::snprintf(buf, sizeof buf, "\\u%04x", c);
                    out += buf;
                } else {
                    out += static_cast<char>(c);
                }
        }
    }
    out += '"';
    return out;
}

namespace {

const char* Bool(bool b) { return b ? "true" : "false"; }

std::string Text(const std::string& latin1) { return JsonString(Latin1ToUtf8(latin1)); }

// A date as the shortest text that reads back as the same double; JSON has no
// word for a value no calendar holds, so such a date is null.
std::string Number(double d) {
    if (!std::isfinite(d)) return "null";
    char buf[40];
    for (int digits = 15; digits <= 17; ++digits) {
        std::snprintf(buf, sizeof buf, "%.*g", digits, d);
        if (std::strtod(buf, nullptr) == d) break;
    }
    return buf;
}

void Sprite(std::string& out, const char* name, const TSpriteModel& m) {
    out += '"';
    out += name;
    out += "\":{\"image\":" + std::to_string(m.ImageIndex) + ",\"opacity\":" + std::to_string(m.Opacity) +
           ",\"enabled\":" + Bool(m.Enabled) + ",\"visible\":" + Bool(m.Visible) + ",\"hint\":" + Text(m.Hint) +
           ",\"tag\":" + std::to_string(m.Tag) + "}";
}

void Label(std::string& out, const char* name, const TLabelModel& m) {
    out += '"';
    out += name;
    out += "\":{\"caption\":" + Text(m.Caption) + ",\"visible\":" + Bool(m.Visible) + "}";
}

void Panel(std::string& out, const char* name, const TPanelModel& m) {
    out += '"';
    out += name;
    out += "\":{\"visible\":" + std::string(Bool(m.Visible)) + ",\"left\":" + std::to_string(m.Left) +
           ",\"top\":" + std::to_string(m.Top) + "}";
}

void Combo(std::string& out, const char* name, const TComboModel& m) {
    out += '"';
    out += name;
    out += "\":{\"items\":[";
    for (size_t i = 0; i < m.Items.size(); ++i) {
        if (i) out += ',';
        out += Text(m.Items[i]);
    }
    out += "],\"index\":" + std::to_string(m.ItemIndex) + "}";
}

}  // namespace

std::string ScreenJson(const TGame& g) {
    const TScreen& s = g.Screen;
    std::string out;
    out.reserve(6000);
    out += "{\"sprites\":{";
    const std::pair<const char*, const TSpriteModel*> sprites[] = {
        {"Bac1_1", &s.Bac1_1},   {"bac1_2", &s.bac1_2},       {"bac1_3", &s.bac1_3},
        {"bac1_4", &s.bac1_4},   {"bac1_5", &s.bac1_5},       {"bac2_1", &s.bac2_1},
        {"bac2_2", &s.bac2_2},   {"bac2_3", &s.bac2_3},       {"bac2_4", &s.bac2_4},
        {"bac2_5", &s.bac2_5},   {"bac1_S", &s.bac1_S},       {"DIBImage3", &s.DIBImage3},
        {"DIBImage6", &s.DIBImage6}, {"DIBImage7", &s.DIBImage7}, {"DIBImage8", &s.DIBImage8},
    };
    bool first = true;
    for (const auto& [name, m] : sprites) {
        if (!first) out += ',';
        first = false;
        Sprite(out, name, *m);
    }
    out += "},\"labels\":{";
    const std::pair<const char*, const TLabelModel*> labels[] = {
        {"LBL_Action", &s.LBL_Action},
        {"RxLabel1", &s.RxLabel1},
        {"RxLabel2", &s.RxLabel2},
        {"RxLabel7", &s.RxLabel7},
        {"RxLabel9", &s.RxLabel9},
        {"RxLabel10", &s.RxLabel10},
        {"RxLabel11", &s.RxLabel11},
        {"RxLabel16", &s.RxLabel16},
        {"URLtransparantLabel1", &s.URLtransparantLabel1},
        {"URLtransparantLabel2", &s.URLtransparantLabel2},
        {"URLtransparantLabel5", &s.URLtransparantLabel5},
        {"URLtransparantLabel7", &s.URLtransparantLabel7},
    };
    first = true;
    for (const auto& [name, m] : labels) {
        if (!first) out += ',';
        first = false;
        Label(out, name, *m);
    }
    out += "},\"panels\":{";
    Panel(out, "DIBContainer2", s.DIBContainer2);
    out += ',';
    Panel(out, "DIBContainer3", s.DIBContainer3);
    out += ',';
    Panel(out, "dxContainer3", s.dxContainer3);
    out += "},\"combos\":{";
    Combo(out, "ComboBox1", s.ComboBox1);
    out += ',';
    Combo(out, "ComboBox2", s.ComboBox2);
    out += "},\"tint\":";
    out += Bool(s.DIBImage8.Visible);
    out += ",\"drag\":{\"tag\":" + std::to_string(g.DraggedTag) + ",\"accepted\":" + Bool(g.DropAccepted[1]) + "}";
    out += ",\"speed\":" + std::to_string(g.DIBTimer1.Interval());
    out += ",\"scores\":[";
    for (int t = 1; t <= 7; ++t) {
        if (t > 1) out += ',';
        out += '[';
        for (int i = 1; i <= 5; ++i) {
            const THighScoreEntry& e = g.HighScores[t][i];
            if (i > 1) out += ',';
            out += "{\"name\":" + Text(e.NameText()) + ",\"score\":" + std::to_string(e.Score) +
                   ",\"date\":" + Number(e.Date) + "}";
        }
        out += ']';
    }
    out += "]}";
    return out;
}
