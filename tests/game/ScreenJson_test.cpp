// The screen model as the browser page reads it, and the conversions between
// the game's 8-bit texts and the page's UTF-8.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "../../web/host/ScreenJson.h"
#include "VirtualHost.h"

namespace {

int Count(const std::string& s, const std::string& what) {
    int n = 0;
    for (size_t p = s.find(what); p != std::string::npos; p = s.find(what, p + 1)) ++n;
    return n;
}

}  // namespace

// Latin-1 goes to UTF-8 one to one; back, anything beyond Latin-1 is '?' per
// UTF-16 unit, as the desktop's toLatin1() makes it.
TEST(ScreenJson, TextsCrossBetweenLatin1AndUtf8AsTheDesktopConvertsThem) {
    EXPECT_EQ(Latin1ToUtf8("Zo\xEB \xFF!"), "Zo\xC3\xAB \xC3\xBF!");
    EXPECT_EQ(Utf8ToLatin1("Zo\xC3\xAB \xC3\xBF!"), "Zo\xEB \xFF!");
    EXPECT_EQ(Utf8ToLatin1("5\xE2\x82\xAC"), "5?");            // the euro sign
    EXPECT_EQ(Utf8ToLatin1("a\xF0\x9F\x98\x80" "b"), "a??b");  // beyond the basic plane
    EXPECT_EQ(Utf8ToLatin1("\xFF" "x\xC3"), "?x?");             // not UTF-8
    EXPECT_EQ(Utf8ToLatin1("\xC3(x"), "?(x");
    const std::string all = [] {
        std::string s;
        for (int c = 1; c < 256; ++c) s += static_cast<char>(c);
        return s;
    }();
    EXPECT_EQ(Utf8ToLatin1(Latin1ToUtf8(all)), all);
}

TEST(ScreenJson, StringsAreEscapedForJson) {
    EXPECT_EQ(JsonString("plain"), "\"plain\"");
    EXPECT_EQ(JsonString("a\"b\\c"), "\"a\\\"b\\\\c\"");
    EXPECT_EQ(JsonString("1\n2\r3\t4\x01" "5\x1F"), "\"1\\n2\\r3\\t4\\u00015\\u001f\"");
    EXPECT_EQ(JsonString("\xC3\xA9"), "\"\xC3\xA9\"");
}

// Every sprite and label of the model, the three panels, both lists, the tint,
// the drag, the speed and entries 1..5 of the seven tables.
TEST(ScreenJson, AFreshGameGivesEveryComponentWithItsDesignValues) {
    VirtualHost host;
    TGame g(host);
    const std::string j = ScreenJson(g);
    EXPECT_EQ(j.rfind("{\"sprites\":{\"Bac1_1\":{\"image\":1,\"opacity\":200,\"enabled\":true,"
                      "\"visible\":true,\"hint\":\"\",\"tag\":1},",
                      0),
              0u);
    EXPECT_EQ(Count(j, "\"image\":"), 15);
    EXPECT_EQ(Count(j, "\"caption\":"), 12);
    EXPECT_NE(j.find("\"bac1_S\":{\"image\":10,\"opacity\":10,\"enabled\":false,\"visible\":true,"
                     "\"hint\":\"Level 20 Injection\",\"tag\":6}"),
              std::string::npos);
    EXPECT_NE(j.find("\"RxLabel1\":{\"caption\":\"X/Y :\",\"visible\":false}"), std::string::npos);
    EXPECT_NE(j.find("\"panels\":{\"DIBContainer2\":{\"visible\":true,\"left\":8,\"top\":0},"
                     "\"DIBContainer3\":{\"visible\":false,\"left\":192,\"top\":200},"
                     "\"dxContainer3\":{\"visible\":false,\"left\":0,\"top\":504}}"),
              std::string::npos);
    EXPECT_NE(j.find("\"combos\":{\"ComboBox1\":{\"items\":[],\"index\":-1},"
                     "\"ComboBox2\":{\"items\":[],\"index\":-1}}"),
              std::string::npos);
    EXPECT_NE(j.find(",\"tint\":true,\"drag\":{\"tag\":0,\"accepted\":false},\"speed\":50,\"scores\":[["
                     "{\"name\":\"Hollowbrine\",\"score\":9999,\"date\":0},"),
              std::string::npos);
    EXPECT_EQ(Count(j, "\"score\":"), 35);
    EXPECT_EQ(Count(j, "\"name\":\"Hollowbrine\""), 5);
    EXPECT_EQ(j.substr(j.size() - 4), "}]]}");
}

// What the game changes shows: texts converted and escaped, dates exact.
TEST(ScreenJson, ChangedModelValuesAppearConvertedAndExact) {
    VirtualHost host;
    TGame g(host);
    g.Screen.LBL_Action.Caption = "RED : 54% <-> \"BLUE\" \xE9";
    g.Screen.DIBImage8.Visible = false;
    g.Screen.ComboBox2.Items = {"(Inverter) a", "b\\c"};
    g.Screen.ComboBox2.ItemIndex = 1;
    g.DraggedTag = 3;
    g.DropAccepted[1] = true;
    g.RxSlider1Change(125);
    g.HighScores[7][5].SetName("Ren\xE9");
    g.HighScores[7][5].Score = 31;
    g.HighScores[7][5].Date = 46000.123456789012;
    g.HighScores[7][4].Date = std::numeric_limits<double>::quiet_NaN();
    g.HighScores[7][3].Date = 0.1;
    const std::string j = ScreenJson(g);
    EXPECT_NE(j.find("\"LBL_Action\":{\"caption\":\"RED : 54% <-> \\\"BLUE\\\" \xC3\xA9\",\"visible\":true}"),
              std::string::npos);
    EXPECT_NE(j.find("\"ComboBox2\":{\"items\":[\"(Inverter) a\",\"b\\\\c\"],\"index\":1}"), std::string::npos);
    EXPECT_NE(j.find("\"tint\":false,\"drag\":{\"tag\":3,\"accepted\":true},\"speed\":125,"), std::string::npos);
    EXPECT_NE(j.find("{\"name\":\"\",\"score\":9999,\"date\":0.1},{\"name\":\"\",\"score\":9999,\"date\":null},"
                     "{\"name\":\"Ren\xC3\xA9\",\"score\":31,\"date\":46000.12345678901}]]}"),
              std::string::npos);
}
