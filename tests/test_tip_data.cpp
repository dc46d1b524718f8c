// Checks of the shipped words, in every language the game speaks: every tip
// the game can ask for says something, in lines that fit its frame
// (measured with the language's own font and the real boxes), on the
// screen wherever the game points it; every text key the code looks up is
// in the language's text file, short enough for its dialog.
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <regex>
#include <set>
#include <sstream>

#include "frame/language.h"
#include "frame/settings.h"
#include "gfx_support.h"
#include "res/picture_pack.h"
#include "res/text_label.h"
#include "res/texts.h"
#include "screens/dialog_frame.h"
#include "screens/pictures.h"
#include "screens/tooltip.h"
#include "test_support.h"
#include "ui/buttons.h"

namespace {

const std::string kData = VM_TEST_DATA_DIR;

// Every tip number the game asks for (tip id + 1 of each row of the play
// state's tip table), and the two questions before a game.
const std::vector<int> kGameTips = {1,  2,  3,  4,  5,  10, 11, 12, 13, 14, 15, 16, 17, 18, 21, 22,
                                    23, 25, 26, 27, 31, 32, 51, 52, 53, 54, 55, 56, 58, 60, 61};
const std::vector<int> kQuestions = {100, 101};
// Tips asked for before any row has set a hint point: always centred.
const std::set<int> kNeverPointed = {1, 2, 3, 4, 5, 10, 31};
// Hint points the game sets for tips: the bonus plate, the big side arrow,
// the time bar, the left spawn gun, the magnet's gem, the loaded ball at
// either end of the cannon's travel.
const std::vector<std::pair<int, int>> kHintPoints = {{760, 80},  {200, 50}, {150, 50}, {47, 75},
                                                      {400, 269}, {60, 530}, {740, 530}};

constexpr int kTextRightMargin = ToolTip::kTextLeft;  // as wide as the left one
constexpr int kDialogMargin = 40;                     // each side of a centred dialog line
constexpr int kButtonMargin = 30;
constexpr int kGapAboveButtons = 4;

}  // namespace

class TipDataTest : public GfxTest, public ::testing::WithParamInterface<std::string> {
protected:
    void SetUp() override {
        GfxTest::SetUp();
        resetEngineState();
        oldCwd = std::filesystem::current_path();
        std::filesystem::current_path(kData);  // pictures are "./pic/..."
        setCurrentLanguage(*findLanguage(GetParam()));
        resetPicturesForTests();
        setPictureLoadFunction(nullptr);
        resetSettingsForTests();
        ASSERT_TRUE(selectIniFile(kData + "/vm_game.ini", false));
        font = pictureByName("font1");
        ASSERT_GT(font->frameWidth('W'), 0);
        loadLanguageTexts("vm_texts.loc");
    }
    void TearDown() override {
        setCurrentLanguage(languages().front());
        destroyAllActors();
        resetEngineState();
        resetPicturesForTests();
        resetSettingsForTests();
        clearTexts();
        std::filesystem::current_path(oldCwd);
        GfxTest::TearDown();
    }

    // The box's lines and buttons stay inside its frame, the lines above
    // the buttons.
    static void expectFits(const ToolTip& t, const std::string& what) {
        const int W = t.frame->width(), H = t.frame->height();
        int floor = t.top + H - kButtonMargin;
        for (const Button* b : {t.firstButton, t.secondButton}) {
            if (!b) continue;
            const PckSprite* s = const_cast<Button*>(b)->sprite();
            EXPECT_GE(s->x, t.left + kButtonMargin) << what;
            EXPECT_LE(s->x + s->width(), t.left + W - kButtonMargin) << what;
            floor = std::min(floor, static_cast<int>(s->y) - kGapAboveButtons);
        }
        for (size_t i = 0; i < t.lines.size(); ++i) {
            const TextLabelEx& line = *t.lines[i];
            EXPECT_LE(line.x + line.width(), t.left + W - kTextRightMargin)
                << what << " line " << i << " is " << line.width() << " pixels wide; the frame allows "
                << W - kTextRightMargin - ToolTip::kTextLeft;
            EXPECT_LE(line.y + line.height(), floor) << what << " line " << i << " runs into the buttons";
        }
    }
    static void expectOnScreen(const ToolTip& t, const std::string& what) {
        EXPECT_GE(t.left, 0) << what;
        EXPECT_GE(t.top, 0) << what;
        EXPECT_LE(t.left + t.frame->width(), 800) << what;
        EXPECT_LE(t.top + t.frame->height(), 600) << what;
    }

    std::filesystem::path oldCwd;
    PicturePack* font = nullptr;
};

TEST_P(TipDataTest, EveryTipTheGameAsksForSaysSomethingInLinesThatFitItsFrame) {
    std::vector<int> all = kGameTips;
    all.insert(all.end(), kQuestions.begin(), kQuestions.end());
    for (int n : all) {
        const std::string what = "[Tip" + std::to_string(n) + "]";
        auto* t = new ToolTip(800, n, -1, -1);
        ASSERT_GE(t->lineCount, 1) << what << " has no lines";
        ASSERT_NE(t->frame, nullptr) << what;
        // Nothing but the player closes a tip: each needs a button. The
        // questions need both answers.
        EXPECT_EQ(t->buttonType, n >= 100 ? ToolTip::kYesNo : ToolTip::kResume) << what;
        expectFits(*t, what);
        if (n >= 100 || kNeverPointed.count(n)) expectOnScreen(*t, what + " centred");
        destroyAllActors();
    }
}

TEST_P(TipDataTest, TipsTheGameMayPointStayOnTheScreenWhereverTheyPoint) {
    for (int n : kGameTips) {
        if (kNeverPointed.count(n)) continue;
        const std::string what = "[Tip" + std::to_string(n) + "]";
        const TipContent tip = readTip(n);
        // The worst points: just too far right to fit on the right, just
        // too high to fit above. Any box that survives both fits anywhere.
        std::vector<std::pair<int, int>> points = kHintPoints;
        points.emplace_back(801 - tip.width(), tip.height() - 1);
        points.emplace_back(800, 600);
        points.emplace_back(0, 0);
        for (auto [x, y] : points) {
            auto* t = new ToolTip(800, n, x, y);
            expectOnScreen(*t, what + " pointing at " + std::to_string(x) + "," + std::to_string(y));
            destroyAllActors();
        }
    }
}

namespace {

// Keys the code looks up: getText("...") calls and quoted names of the text
// file's families, wherever they are listed.
std::set<std::string> keysInSources() {
    std::set<std::string> keys;
    const std::regex call(R"re(getText\(\s*"([^"]+)"\s*\))re");
    const std::regex named(R"re("((MENU|PROFILE|GAMEPLATE)_[A-Z0-9_]+)")re");
    for (const auto& entry :
         std::filesystem::recursive_directory_iterator(std::string(VM_SOURCE_DIR) + "/src")) {
        const std::string ext = entry.path().extension().string();
        if (ext != ".cpp" && ext != ".h") continue;
        std::ifstream in(entry.path());
        std::stringstream text;
        text << in.rdbuf();
        const std::string s = text.str();
        for (const std::regex* re : {&call, &named})
            for (std::sregex_iterator it(s.begin(), s.end(), *re), end; it != end; ++it)
                keys.insert((*it)[1]);
    }
    return keys;
}

}  // namespace

TEST_P(TipDataTest, EveryTextKeyTheCodeLooksUpIsInTheTextFile) {
    const std::set<std::string> keys = keysInSources();
    ASSERT_TRUE(keys.count("GAMEPLATE_LEVEL")) << "the search found the level caption";
    // The language's own file alone, without the English under it.
    clearTexts();
    const std::string file = languageDataPath(getIniString("Game", "Localization", "vm_texts.loc"));
    ASSERT_TRUE(std::filesystem::exists(file)) << file;
    ASSERT_TRUE(loadTexts(file));
    for (const std::string& key : keys) EXPECT_FALSE(getText(key).empty()) << key << " is missing in " << file;
}

TEST_P(TipDataTest, EveryTipIsInTheLanguagesOwnTipsFile) {
    if (playingEnglish()) GTEST_SKIP() << "English tips are the settings file's";
    const std::string file = languageDataPath(kLanguageTipsFile);
    ASSERT_TRUE(selectIniFile(file, false)) << file;
    std::vector<int> all = kGameTips;
    all.insert(all.end(), kQuestions.begin(), kQuestions.end());
    for (int n : all) {
        const std::string section = "Tip" + std::to_string(n);
        EXPECT_FALSE(getIniString(section.c_str(), "tl0", "").empty()) << section << " is missing in " << file;
    }
    ASSERT_TRUE(selectIniFile(kData + "/vm_game.ini", false));
}

TEST_P(TipDataTest, TheDialogTextsFitTheirFramesAndTheWelcomeLineKeepsItsSpace) {
    // The main menu glues the player's name between these two.
    const std::string welcome = getText("MENU_WELCOME");
    ASSERT_FALSE(welcome.empty());
    EXPECT_EQ(welcome.back(), ' ') << "an editor dropped the space before the player's name";
    // The profile dialogs' frames (columns): the name dialog 72, the delete
    // question 96, the two short messages 60; lines are centred in them.
    const std::pair<const char*, int> lines[] = {
        {"PROFILE_NEWUSER", 72},
        {"PROFILE_RENAMEUSER", 72},
        {"PROFILE_ENTERNAME", 72},
        {"PROFILE_AREYOUSURE_STRING_1", 96},
        {"PROFILE_AREYOUSURE_STRING_2", 96},
        {"PROFILE_AREYOUSURE_STRING_3", 96},
        {"PROFILE_TOOMANYUSERS", 60},
        {"PROFILE_USEREXISTS_STRING_1", 60},
        {"PROFILE_USEREXISTS_STRING_2", 60},
    };
    TextLabel measure;
    measure.setFont(font);
    for (auto [key, columns] : lines) {
        const std::string text = getText(key);
        EXPECT_FALSE(text.empty()) << key;
        const int inside = 4 * columns + 84 - 2 * kDialogMargin;
        EXPECT_LE(measure.textWidth(text), inside) << key << ": \"" << text << "\"";
    }
    // The notes at the top of the screen (a frame of 110 columns) and the
    // options' language caption, which ends 10 pixels left of the chooser
    // 170 pixels into the plate.
    for (const char* key : {"SAVE_FAILED", "SAVE_DISK_FULL", "SAVE_NO_PERMISSION", "SAVE_READ_ONLY", "SAVE_NOT_WRITTEN",
                            "NOTICE_SCREENSHOT_SAVED", "NOTICE_SCREENSHOT_FAILED", "DEMO_TITLE", "DEMO_PRESS_TO_PLAY"}) {
        EXPECT_FALSE(getText(key).empty()) << key;
        EXPECT_LE(measure.textWidth(getText(key)), 4 * 110 + 84 - 2 * kDialogMargin) << key;
    }
    EXPECT_LE(measure.textWidth(getText("OPTIONS_LANGUAGE")), 170 - 10 - 16) << "OPTIONS_LANGUAGE";
}

// The captions over the field: the lives caption left of its counter, the
// level's title centred at 390 clear of the plate's left end (290) and of
// the level number centred at 567.
TEST_P(TipDataTest, TheCaptionsOverTheFieldFitTheirPlates) {
    TextLabel measure;
    measure.setFont(font);
    EXPECT_LE(measure.textWidth(getText("GAMEPLATE_LIFES")), 90);
    const int number = measure.textWidth(getText("GAMEPLATE_LEVEL") + " 11-15");
    EXPECT_LE(number, 170) << getText("GAMEPLATE_LEVEL");
    if (playingEnglish()) return;  // the English titles are the levels file's
    std::ifstream in(languageDataPath("vm_texts.loc"));
    int titles = 0;
    for (std::string line; std::getline(in, line);) {
        if (line.rfind("LEVELNAME_", 0) != 0) continue;
        ++titles;
        const std::string key = line.substr(0, line.find(' '));
        const int w = measure.textWidth(getText(key));
        EXPECT_LE(w, 200) << key << ": \"" << line << "\"";
        EXPECT_LE(390 + w / 2, 567 - number / 2 - 6) << key << " runs into the level number";
    }
    EXPECT_GE(titles, 80);
}

namespace {
std::string languageName(const ::testing::TestParamInfo<std::string>& info) { return info.param; }
std::vector<std::string> languageCodes() {
    std::vector<std::string> codes;
    for (const Language& l : languages()) codes.push_back(l.code);
    return codes;
}
}  // namespace

INSTANTIATE_TEST_SUITE_P(Languages, TipDataTest, ::testing::ValuesIn(languageCodes()), languageName);
