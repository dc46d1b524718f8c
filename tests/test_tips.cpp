// Tip boxes and the question screens, on stand-in pictures and a scratch
// settings file, driven through the real input translator and logic ticks.
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "frame/settings.h"
#include "gfx/particles.h"
#include "gfx/texture_bank.h"
#include "platform/event.h"
#include "res/picture_pack.h"
#include "res/text_label.h"
#include "screens/ask_screens.h"
#include "screens/dialog_frame.h"
#include "screens/pictures.h"
#include "screens/tooltip.h"
#include "test_support.h"
#include "ui/buttons.h"

namespace {

struct Size {
    int w, h;
};

// Frame sizes of the stand-in pictures; anything else is 52 x 52.
const std::map<std::string, Size>& sizes() {
    static const std::map<std::string, Size> s = {
        {"frame", {42, 42}},
        {"framecorners", {42, 42}},
        {"transparent", {32, 32}},
        {"font1", {10, 20}},
        {"_mm_bkg", {800, 600}},
        {"saved", {600, 240}},
        {"menu//Buttons_resume", {150, 46}},
        {"menu//Buttons_yes", {130, 46}},
        {"menu//Buttons_no", {110, 46}},
        {"menu//Buttons_ask_load", {190, 60}},
        {"menu//Buttons_ask_new", {190, 60}},
        {"menu//Buttons_small_exit", {24, 24}},
    };
    return s;
}

// Named textures, so that a drawn quad tells which pack it came from.
void stubLoad(PicturePack& pack, const std::string& name, bool, int frames, int perRow) {
    auto it = sizes().find(name);
    const Size s = it == sizes().end() ? Size{52, 52} : it->second;
    pack.textureName = name;
    for (int i = 0; i < std::max(frames, 1); ++i)
        pack.addFrame((i % perRow) * s.w, (i / perRow) * s.h, s.w, s.h);
}

}  // namespace

class TipsTest : public EngineTest {
protected:
    void SetUp() override {
        EngineTest::SetUp();
        setInputMode(1);
        resetPicturesForTests();
        setPictureLoadFunction(stubLoad);
        resetSettingsForTests();
        ini = testing::TempDir() + "vm_tips_" + std::to_string(::getpid()) + "_" +
              testing::UnitTest::GetInstance()->current_test_info()->name() + ".ini";
        owner = new ReportRecorder;
    }
    void TearDown() override {
        EngineTest::TearDown();
        setPictureLoadFunction(nullptr);
        resetPicturesForTests();
        resetSettingsForTests();
        particleSystem().reset();
        clearEffectCache();
        textureBank().clear();
        std::filesystem::remove(ini);
    }

    // The settings file the boxes read.
    void settings(const std::string& text) {
        std::ofstream(ini, std::ios::binary) << text;
        ASSERT_TRUE(selectIniFile(ini, false));
    }
    ToolTip* tip(int n, int ax = -1, int ay = -1, int layer = 800) {
        auto* t = new ToolTip(layer, n, ax, ay);
        t->setOwner(owner, 7);
        return t;
    }
    static void tick(int n = 1) { runLogicTicks(n); }
    static void send(const platform::Event& e) {
        inputTranslatorHook(e);
        dispatchInput();
    }
    static void clickAt(int x, int y) {
        send(platform::pointerMove(x, y));
        send(platform::pointerButton(platform::PointerButton::Left, true, x, y, {.left = true}));
        send(platform::pointerButton(platform::PointerButton::Left, false, x, y, {}));
    }
    static void rightClickAt(int x, int y) {
        send(platform::pointerMove(x, y));
        send(platform::pointerButton(platform::PointerButton::Right, true, x, y, {.right = true}));
        send(platform::pointerButton(platform::PointerButton::Right, false, x, y, {}));
    }
    static void click(Button* b) {
        const PckSprite* s = b->sprite();
        clickAt(static_cast<int>(s->x) + s->width() / 2, static_cast<int>(s->y) + s->height() / 2);
    }
    // Quads drawn from one texture in a fresh frame.
    std::vector<RecordedDraw> drawn(const std::string& texture) {
        sink.calls.clear();
        drawFrame();
        std::vector<RecordedDraw> out;
        for (const RecordedDraw& d : sink.calls)
            if (d.kind == "quad" && d.texture == texture) out.push_back(d);
        return out;
    }
    std::vector<int> answers() const {
        std::vector<int> out;
        for (const auto& r : owner->reports) out.push_back(r[2]);
        return out;
    }

    std::string ini;
    ReportRecorder* owner = nullptr;
};

namespace {

// 40 x 20 cells: a frame of 244 x 164 pixels.
const char* const kYesNoTip =
    "[Tip5]\nx=400\ny=300\nw=40\nh=20\nbuttontype=2\n"
    "tl0=Title line\ntl0colors=250 200 90\n"
    "tl1=Caf\xC3\xA9 au lait\ntl1colors=300 -5 abc\n"
    "tl2=Third\n";

}  // namespace

// ---------------------------------------------------------------- tip boxes

TEST_F(TipsTest, ATipWithNothingToSayAnswersZeroOnItsFirstTickAndIsNeverSeen) {
    // No section at all, a section without lines, and one whose first line
    // is empty (reading stops there, so the second line is never shown).
    settings(
        "[Tip3]\nx=400\ny=300\nw=40\nh=20\nbuttontype=2\n"
        "[Tip4]\nw=40\nh=20\ntl0=\ntl1=Not shown\n");
    const int sprites = spriteCount();
    for (int n : {2, 3, 4}) {
        owner->reports.clear();
        ToolTip* t = tip(n);
        EXPECT_EQ(t->lineCount, 0) << n;
        EXPECT_EQ(t->frame, nullptr) << n;
        EXPECT_EQ(t->firstButton, nullptr) << n;
        EXPECT_EQ(spriteCount(), sprites) << n;
        // Where its buttons would be, a click reaches nothing.
        clickAt(390, 370);
        rightClickAt(400, 300);
        EXPECT_TRUE(owner->reports.empty()) << n;
        sink.calls.clear();
        drawFrame();
        EXPECT_TRUE(sink.textures().empty()) << n;
        tick();
        ASSERT_EQ(owner->reports.size(), 1u) << n;
        EXPECT_EQ(owner->reports[0], (std::array<int, 4>{7, 0, 0, 0})) << n;
        tick(50);
        EXPECT_EQ(owner->reports.size(), 1u) << n;
    }
}

TEST_F(TipsTest, ABoxIsLaidOutFromItsSectionWithItsLinesColoursAndButtons) {
    settings(kYesNoTip);
    ToolTip* t = tip(5, -1, -1, 300);
    ASSERT_NE(t->frame, nullptr);
    EXPECT_EQ(t->frame->width(), 244);
    EXPECT_EQ(t->frame->height(), 164);
    EXPECT_EQ(t->left, 400 - 122);
    EXPECT_EQ(t->top, 300 - 82);
    EXPECT_EQ(t->frame->x(), t->left);
    EXPECT_EQ(t->frame->centre.layer, 300);
    ASSERT_EQ(t->lineCount, 3);
    ASSERT_EQ(t->lines.size(), 3u);
    for (int i = 0; i < 3; ++i) {
        const TextLabelEx& line = *t->lines[static_cast<size_t>(i)];
        EXPECT_EQ(line.x, t->left + 55);
        EXPECT_EQ(line.y, t->top + 43 + 25 * i);
        EXPECT_EQ(line.layer, 302);
    }
    EXPECT_EQ(t->lines[0]->rs.red, 250);
    EXPECT_EQ(t->lines[0]->rs.green, 200);
    EXPECT_EQ(t->lines[0]->rs.blue, 90);
    // Out of range colours are clamped; an unreadable one stays white, as
    // does a line without colours.
    EXPECT_EQ(t->lines[1]->rs.red, 255);
    EXPECT_EQ(t->lines[1]->rs.green, 0);
    EXPECT_EQ(t->lines[1]->rs.blue, 255);
    EXPECT_EQ(t->lines[2]->rs.red, 255);
    EXPECT_EQ(t->lines[2]->rs.blue, 255);
    // The UTF-8 line is drawn in the font's bytes: 12 glyphs of 10 pixels.
    EXPECT_EQ(readTip(5).lines[1], "Caf\xE9 au lait");
    EXPECT_EQ(t->lines[1]->width(), 120);
    // "yes" ends 10 pixels left of the centre, "no" starts 10 pixels right
    // of it, both 30 pixels above the frame's bottom edge.
    ASSERT_NE(t->firstButton, nullptr);
    ASSERT_NE(t->secondButton, nullptr);
    const PckSprite* yes = t->firstButton->sprite();
    const PckSprite* no = t->secondButton->sprite();
    EXPECT_EQ(yes->x + yes->width(), 390);
    EXPECT_EQ(no->x, 410);
    EXPECT_EQ(yes->y, t->top + 164 - 46 - 30);
    EXPECT_EQ(no->y, yes->y);
    EXPECT_EQ(yes->layer, 302);
    EXPECT_EQ(yes->pack, buttonPicture(btn::yes));
    EXPECT_EQ(no->pack, buttonPicture(btn::no));

    // One "resume" button is centred; an unknown type gets it too, so that
    // the box can always be closed.
    settings("[Tip6]\nx=300\ny=200\nw=40\nh=20\ntl0=Hello\n[Tip7]\nx=300\ny=200\nbuttontype=9\ntl0=Hello\n");
    for (int n : {6, 7}) {
        ToolTip* r = tip(n);
        ASSERT_NE(r->firstButton, nullptr) << n;
        EXPECT_EQ(r->secondButton, nullptr) << n;
        EXPECT_EQ(r->firstButton->sprite()->pack, buttonPicture(btn::resume)) << n;
        EXPECT_EQ(r->firstButton->sprite()->x, 300 - 75) << n;
    }
}

TEST_F(TipsTest, ButtonTypeZeroHasNoButtonsAndIgnoresEveryClick) {
    settings("[Tip9]\nx=400\ny=300\nw=40\nh=20\nbuttontype=0\ntl0=Watch this\n");
    ToolTip* t = tip(9);
    EXPECT_EQ(t->firstButton, nullptr);
    EXPECT_EQ(t->secondButton, nullptr);
    EXPECT_EQ(t->frame->centre.zone.zone, nullptr);
    tick(45);
    ASSERT_EQ(t->phase, ToolTip::kShown);
    rightClickAt(400, 300);
    clickAt(400, 350);
    t->onZoneEvent(ZE_RightUp, 0);
    t->onNotify(1, 0, 4, 0);
    tick(100);
    EXPECT_EQ(t->phase, ToolTip::kShown);
    EXPECT_EQ(t->alpha, 255);
    EXPECT_TRUE(owner->reports.empty());
    EXPECT_FALSE(t->dead);
}

TEST_F(TipsTest, AnAnchorNearAnEdgeFlipsTheBoxAndItsPointingCorner) {
    // 200 x 148 pixels.
    settings("[Tip21]\nx=5\ny=5\nw=29\nh=16\ntl0=Look here\n");
    struct Case {
        int ax, ay, left, top, corner, cornerX, cornerY;
    };
    const Case cases[] = {
        {100, 400, 100, 252, 6, 100, 252 + 42 + 64},   // room right and above: bottom-left corner
        {600, 400, 600, 252, 6, 600, 358},             // 600 + 200 = 800 still fits on the right
        {601, 400, 401, 252, 8, 401 + 42 + 116, 358},  // one pixel more flips it left
        {100, 148, 100, 0, 6, 100, 106},               // exactly room above
        {100, 147, 100, 147, 0, 100, 147},             // too near the top: below the point
        {700, 40, 500, 40, 2, 500 + 42 + 116, 40},     // top right corner of the screen
    };
    for (const Case& c : cases) {
        ToolTip* t = tip(21, c.ax, c.ay);
        EXPECT_EQ(t->left, c.left) << c.ax << "," << c.ay;
        EXPECT_EQ(t->top, c.top) << c.ax << "," << c.ay;
        EXPECT_EQ(t->anchorCorner, c.corner) << c.ax << "," << c.ay;
        EXPECT_EQ(t->centreX, c.left + 100);
        EXPECT_EQ(t->centreY, c.top + 74);
        tick(41);
        const std::vector<RecordedDraw> corners = drawn("framecorners");
        ASSERT_EQ(corners.size(), 1u) << c.ax << "," << c.ay;
        EXPECT_EQ(corners[0].x, c.cornerX) << c.ax << "," << c.ay;
        EXPECT_EQ(corners[0].y, c.cornerY) << c.ax << "," << c.ay;
        // The other three corners stay those of the plain frame.
        EXPECT_EQ(drawn("frame").size(), 3u + 2 * (29 + 16));
        destroyAllActors();
    }
    // Without an anchor every corner is plain.
    tip(21);
    tick(41);
    EXPECT_TRUE(drawn("framecorners").empty());
    EXPECT_EQ(drawn("frame").size(), 4u + 2 * (29 + 16));
}

TEST_F(TipsTest, TheBoxFadesInWaitsAndFadesOutBeforeReportingTheAnswer) {
    settings(kYesNoTip);
    ToolTip* t = tip(5);
    tick(10);
    EXPECT_EQ(t->alpha, 63);
    EXPECT_EQ(t->lines[0]->rs.alpha, 63);
    EXPECT_EQ(t->firstButton->sprite()->rs.alpha, 63);
    tick(30);
    EXPECT_EQ(t->phase, ToolTip::kShown);
    EXPECT_EQ(t->frame->centre.rs.alpha, 255);
    tick(200);  // it waits as long as the player does
    EXPECT_EQ(t->phase, ToolTip::kShown);
    click(t->secondButton);
    EXPECT_EQ(t->phase, ToolTip::kFadingOut);
    EXPECT_EQ(t->answer, 2);
    tick(25);
    EXPECT_EQ(t->alpha, 5);
    EXPECT_TRUE(owner->reports.empty());
    tick();
    EXPECT_EQ(answers(), (std::vector<int>{2}));
    EXPECT_EQ(t->lines[2]->rs.alpha, 0);
    tick(3);
    EXPECT_EQ(answers(), (std::vector<int>{2}));
}

TEST_F(TipsTest, AClickDuringTheFadeOutEndsItAtOnceWithTheLastAnswer) {
    settings(kYesNoTip);
    ToolTip* t = tip(5);
    tick(41);
    click(t->firstButton);
    tick(3);
    ASSERT_TRUE(owner->reports.empty());
    click(t->secondButton);
    EXPECT_EQ(answers(), (std::vector<int>{2}));
    EXPECT_TRUE(t->dead);
    // A right click counts as the first button, also as the second click.
    owner->reports.clear();
    t = tip(5);
    tick(41);
    click(t->secondButton);
    tick();
    rightClickAt(t->centreX, t->top + 60);
    EXPECT_EQ(answers(), (std::vector<int>{1}));
}

TEST_F(TipsTest, ARightClickOnTheBoxAnswersOneEvenWhileItFadesIn) {
    settings(kYesNoTip);
    ToolTip* t = tip(5);
    tick(20);
    ASSERT_EQ(t->phase, ToolTip::kFadingIn);
    rightClickAt(t->left + 80, t->top + 50);  // on the text, over the frame's centre
    EXPECT_EQ(t->phase, ToolTip::kFadingOut);
    EXPECT_EQ(t->answer, 1);
    // The fade-out starts from the alpha reached: 127 is gone in 13 ticks.
    tick(12);
    EXPECT_TRUE(owner->reports.empty());
    tick();
    EXPECT_EQ(answers(), (std::vector<int>{1}));
    // Left clicks on the centre are not an answer.
    owner->reports.clear();
    t = tip(5);
    tick(41);
    clickAt(t->left + 80, t->top + 50);
    tick(40);
    EXPECT_TRUE(owner->reports.empty());
    EXPECT_EQ(t->phase, ToolTip::kShown);
}

TEST_F(TipsTest, SizesFromTheFileAreKeptOnTheScreenAndLinesStopAtTen) {
    std::string text = "[Tip40]\nx=400\ny=300\nw=100000000\nh=-7\n";
    for (int i = 0; i <= 10; ++i) text += "tl" + std::to_string(i) + "=Line " + std::to_string(i) + "\n";
    text += "[Tip41]\nx=400\ny=300\nw=3\nh=2147483647\ntl0=Tall\n";
    text += "[Tip42]\nx=400\ny=300\nw=0x7fffffff\nh=0x7fffffff\ntl0=Huge\n";
    text += "[Tip43]\nx=-2147483648\ny=2147483647\nw=20\nh=10\ntl0=Far away\n";
    settings(text);
    const int before = spriteCount();
    ToolTip* wide = tip(40);
    EXPECT_LE(wide->frame->width(), 800);
    EXPECT_GE(wide->frame->width(), 797);
    EXPECT_EQ(wide->frame->height(), 84);
    EXPECT_EQ(wide->lineCount, 10);  // tl10 is never read
    EXPECT_EQ(wide->lines.size(), 10u);
    ToolTip* tall = tip(41);
    EXPECT_LE(tall->frame->height(), 600);
    EXPECT_GE(tall->frame->height(), 597);
    ToolTip* huge = tip(42);
    EXPECT_LE(huge->frame->width(), 800);
    EXPECT_LE(huge->frame->height(), 600);
    EXPECT_GE(huge->left, 0);
    EXPECT_GE(huge->top, 0);
    // Three boxes, the largest a screenful, stay far below the sprite limit.
    EXPECT_LT(spriteCount() - before, 3 * 700);
    // A centre off the screen is brought back: the box can be answered.
    ToolTip* far = tip(43);
    EXPECT_EQ(far->left, 0);
    EXPECT_EQ(far->top + far->frame->height(), 600);
    EXPECT_EQ(far->firstButton->sprite()->x, far->centreX - 75);
    tick(41);
    EXPECT_EQ(huge->phase, ToolTip::kShown);
}

TEST_F(TipsTest, ABoxThatWouldBreakTheSpriteLimitIsSkippedInsteadOfStoppingTheGame) {
    settings("[Tip42]\nx=400\ny=300\nw=179\nh=129\ntl0=Huge\n[Tip43]\nx=400\ny=300\nw=10\nh=10\ntl0=Small\n");
    std::vector<std::unique_ptr<PckSprite>> crowd;
    while (spriteCount() < kMaxSprites - 400) crowd.push_back(std::make_unique<PckSprite>());
    const int before = spriteCount();
    ToolTip* huge = tip(42);
    EXPECT_EQ(spriteCount(), before);
    EXPECT_EQ(huge->lineCount, 0);
    tick();
    EXPECT_EQ(answers(), (std::vector<int>{0}));
    // A small box still fits and shows.
    ToolTip* small = tip(43);
    EXPECT_EQ(small->lineCount, 1);
    tick(41);
    EXPECT_EQ(small->phase, ToolTip::kShown);
}

// ---------------------------------------------------------------- questions

class AskTest : public TipsTest {
protected:
    void SetUp() override {
        TipsTest::SetUp();
        loadAllEffectsFrom(std::string(VM_TEST_DATA_DIR) + "/fx/");
        ASSERT_FALSE(effectCache().empty());
    }
    static bool emitting(const FXSprite& s) {
        return !s.effects.empty() &&
               std::all_of(s.effects.begin(), s.effects.end(), [](const auto& e) { return e->emitting; });
    }
};

TEST_F(AskTest, TheSavedGameQuestionFadesItsButtonsWithItsPictureAndReportsTheChoice) {
    auto* a = new AskScreen(0);
    a->setOwner(owner, 0);
    // The backdrop under the picture, the buttons over it.
    const PckSprite& picture = a->picture;
    const PckSprite* load = a->loadButton->sprite();
    const PckSprite* fresh = a->newButton->sprite();
    const PckSprite* exit = a->exitButton->sprite();
    EXPECT_LT(a->backdrop.layer, picture.layer);
    for (const PckSprite* b : {load, fresh, exit}) EXPECT_GT(b->layer, picture.layer);
    // The two answers side by side on one row inside the picture, a new game
    // on the left; the way out above and to the right of them.
    EXPECT_EQ(load->y, fresh->y);
    EXPECT_LE(fresh->x + fresh->width(), load->x);
    for (const PckSprite* b : {load, fresh}) {
        EXPECT_GE(b->x, picture.x);
        EXPECT_LE(b->x + b->width(), picture.x + picture.width());
        EXPECT_GE(b->y, picture.y);
        EXPECT_LE(b->y + b->height(), picture.y + picture.height());
    }
    EXPECT_GE(exit->x, load->x + load->width());
    EXPECT_LE(exit->y + exit->height(), load->y);
    EXPECT_GE(exit->y, picture.y);
    EXPECT_EQ(a->loadButton->sprite()->rs.alpha, 0);
    EXPECT_TRUE(a->torches.burning());
    tick();
    EXPECT_EQ(a->picture.rs.alpha, 131);
    EXPECT_EQ(a->newButton->sprite()->rs.alpha, 131);
    EXPECT_TRUE(a->waitEffect->sprite.effects.empty());
    tick(39);
    EXPECT_EQ(a->phase, CAbstractScreen::kShown);
    EXPECT_EQ(a->exitButton->sprite()->rs.alpha, 255);
    EXPECT_TRUE(emitting(a->waitEffect->sprite));
    click(a->newButton);
    EXPECT_EQ(a->result, AskScreen::kNewGame);
    EXPECT_FALSE(a->torches.burning());
    EXPECT_FALSE(emitting(a->waitEffect->sprite));
    tick(20);
    EXPECT_EQ(a->loadButton->sprite()->rs.alpha, 255 - 127);
    EXPECT_TRUE(owner->reports.empty());
    tick(20);
    ASSERT_EQ(owner->reports.size(), 1u);
    EXPECT_EQ(owner->reports[0], (std::array<int, 4>{0, AskScreen::kNewGame, 0, 0}));
    tick(2);
    EXPECT_TRUE(a->dead);
}

TEST_F(AskTest, AButtonPressedDuringTheFadeInFadesOutFromTheAlphaReached) {
    auto* a = new AskScreen(0);
    a->setOwner(owner, 0);
    tick(20);
    ASSERT_EQ(a->alpha, 192);
    click(a->exitButton);
    EXPECT_EQ(a->phase, CAbstractScreen::kFadingOut);
    EXPECT_EQ(a->startAlpha, 192);
    EXPECT_TRUE(a->waitEffect->sprite.effects.empty());  // never fully shown
    tick(10);
    EXPECT_EQ(a->alpha, 192 - 48);
    EXPECT_EQ(a->exitButton->sprite()->rs.alpha, 144);
    // A second button during the fade-out ends it at once with its answer.
    click(a->loadButton);
    ASSERT_EQ(owner->reports.size(), 1u);
    EXPECT_EQ(owner->reports[0][1], AskScreen::kContinue);
    EXPECT_EQ(a->picture.rs.alpha, 0);
}

TEST_F(AskTest, AQuestionWithoutTextAnswersZeroAtOnce) {
    settings("[Tip100]\nx=400\ny=300\nw=40\nh=20\nbuttontype=2\n");
    auto* q = new AskScreen2(0, AskScreen2::kTutorialQuestion);
    q->setOwner(owner, 0);
    EXPECT_EQ(q->picture.rs.alpha, 255);
    ASSERT_NE(q->question, nullptr);
    EXPECT_EQ(q->question->tipNumber, 100);
    tick(2);
    ASSERT_EQ(owner->reports.size(), 1u);
    EXPECT_EQ(owner->reports[0], (std::array<int, 4>{0, 0, 0, 0}));
    EXPECT_FALSE(q->torches.burning());
    tick();
    EXPECT_TRUE(q->dead);
}

TEST_F(AskTest, TheYesOrNoQuestionReportsTheBoxsAnswerOnceTheBoxHasGone) {
    settings("[Tip101]\nx=400\ny=300\nw=60\nh=30\nbuttontype=2\ntl0=Start over?\n");
    auto* q = new AskScreen2(5, AskScreen2::kGiveUpQuestion);
    q->setOwner(owner, 0);
    ToolTip* box = q->question;
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(box->tipNumber, 101);
    EXPECT_EQ(box->frame->centre.layer, 6);
    EXPECT_EQ(box->lines[0]->layer, 8);
    tick(41);
    EXPECT_EQ(q->phase, CAbstractScreen::kShown);
    EXPECT_TRUE(emitting(q->waitEffect->sprite));
    click(box->secondButton);
    tick(25);
    EXPECT_TRUE(owner->reports.empty());  // the box is still fading out
    tick();
    EXPECT_EQ(q->result, 2);
    EXPECT_FALSE(emitting(q->waitEffect->sprite));
    tick();
    ASSERT_EQ(owner->reports.size(), 1u);
    EXPECT_EQ(owner->reports[0][1], 2);
    EXPECT_EQ(q->picture.rs.alpha, 0);

    // A screen closed before its box answered takes the box with it.
    auto* early = new AskScreen2(0, AskScreen2::kGiveUpQuestion);
    const Actor* orphan = early->question;
    tick();
    early->kill();
    tick();
    for (const auto* list : {&liveActors(), &newActors()})
        EXPECT_EQ(std::find(list->begin(), list->end(), orphan), list->end());
}
