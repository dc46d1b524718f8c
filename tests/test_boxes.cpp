// Frames, text buttons, choice boxes, lists and the name field, driven
// through the real input translator, zone dispatch and logic ticks.
#include <array>
#include <cstdlib>
#include <string>
#include <vector>

#include "frame/errors.h"
#include "platform/event.h"
#include "res/picture_pack.h"
#include "test_support.h"
#include "ui/boxes.h"

namespace {

const Colour4 kPale{1.0f, 1.0f, 0.5f, 1.0f};
const Colour4 kOrange{1.0f, 0.5f, 0.0f, 1.0f};

class BoxesTest : public EngineTest {
protected:
    void SetUp() override {
        EngineTest::SetUp();
        setInputMode(3);
        // A font of 256 glyphs, each 10 x 20 ('W' is wider), and nine 16 x 16 tiles.
        for (int i = 0; i < 256; ++i) font.addFrame(i * 24 % 768, i / 32 * 26, i == 'W' ? 18 : 10, 20);
        font.textureName = "font";
        for (int i = 0; i < 9; ++i) tiles.addFrame(i % 3 * 16, i / 3 * 16, 16, 16);
        tiles.textureName = "tiles";
        back.addFrame(0, 0, 32, 32);
        back.textureName = "back";
        owner = new ReportRecorder;
    }

    static void send(const platform::Event& e) {
        inputTranslatorHook(e);
        dispatchInput();
    }
    static void moveTo(int x, int y) { send(platform::pointerMove(x, y)); }
    static void clickAt(int x, int y) {
        moveTo(x, y);
        send(platform::pointerButton(platform::PointerButton::Left, true, x, y, {.left = true}));
        send(platform::pointerButton(platform::PointerButton::Left, false, x, y, {}));
    }
    static void key(platform::Key k) { send(platform::keyEvent(true, k)); }
    static void type(const std::string& text) {
        for (unsigned char c : text) send(platform::textEvent(c));
    }
    static void tick(int n = 1) { runLogicTicks(n); }
    // Reports as (msg, a, b) for one child id.
    std::vector<std::array<int, 3>> reportsOf(int id) const {
        std::vector<std::array<int, 3>> out;
        for (const auto& r : owner->reports)
            if (r[0] == id) out.push_back({r[1], r[2], r[3]});
        return out;
    }

    PicturePack font, tiles, back;
    ReportRecorder* owner = nullptr;
};

// ---------------------------------------------------------------- frame

TEST_F(BoxesTest, FrameSizeAlignmentAndTiles) {
    Ramka r;
    r.framePack = &tiles;
    r.backgroundPack = &back;
    r.columns = 2;
    r.rows = 1;
    r.layout();
    EXPECT_EQ(r.right, 64);
    EXPECT_EQ(r.bottom, 48);
    r.setMode(2);
    EXPECT_EQ(r.offsetLeft, -32);
    EXPECT_EQ(r.right, 32);
    EXPECT_EQ(r.offsetTop, -24);
    r.setMode(1);
    EXPECT_EQ(r.offsetLeft, -65);
    EXPECT_EQ(r.right, -1);
    r.setMode(0);
    r.setPosition(100, 50);

    // Four corners, two tiles per column and row edge, one background quad;
    // tile 4 is never drawn. The border runs clockwise from the top left.
    drawFrame();
    std::vector<RecordedDraw> quads;
    for (const auto& c : sink.calls)
        if (c.kind == "quad") quads.push_back(c);
    ASSERT_EQ(quads.size(), 1u + 4 + 2 * 2 + 2 * 1);
    EXPECT_EQ(quads[0].texture, "back");
    EXPECT_FLOAT_EQ(quads[0].x, 108);
    EXPECT_FLOAT_EQ(quads[1].x, 100);
    EXPECT_FLOAT_EQ(quads[3].x, 132);
    EXPECT_FLOAT_EQ(quads[4].x, 148);  // top-right corner
    EXPECT_FLOAT_EQ(quads[6].y, 82);   // bottom-right corner

    // Without its pictures a frame draws nothing and says so once.
    clearDebugLog();
    r.backgroundPack = nullptr;
    sink.calls.clear();
    drawFrame();
    drawFrame();
    EXPECT_TRUE(sink.textures().empty());
    const std::string& log = debugLog();
    EXPECT_NE(log.find("pckFrame=1 pckFon=0"), std::string::npos);
    EXPECT_EQ(log.find("pckFrame"), log.rfind("pckFrame"));
}

// ---------------------------------------------------------------- group

TEST_F(BoxesTest, DropInAndLiftOutMoveTheWholeGroupAndReport) {
    auto* list = new ListBox(&font, {"Ada", "Bo"}, 10, 100, 200, kPale, kOrange, 0, "", 0);
    list->setOwner(owner, 3);
    list->bounds = Rect{100, 200, 300, 260};
    list->dropIn();
    const TextLabel& first = *list->entries[0].label;
    EXPECT_EQ(list->groupSprite->y, -61);
    EXPECT_EQ(first.y, -61);  // the children go along
    tick(Group::kSlideTicks);
    EXPECT_EQ(list->groupSprite->x, 100);
    EXPECT_EQ(list->groupSprite->y, 200);
    EXPECT_EQ(list->entries[1].label->y, 218);
    // The list passes its mover's messages on to its own owner.
    ASSERT_EQ(reportsOf(3).size(), 1u);
    EXPECT_EQ(reportsOf(3)[0], (std::array<int, 3>{0, Group::kDropInMsg, 0}));
    list->liftOut(7);
    tick(Group::kSlideTicks);
    EXPECT_EQ(list->groupSprite->y, -73);
    ASSERT_EQ(reportsOf(3).size(), 2u);
    EXPECT_EQ(reportsOf(3)[1], (std::array<int, 3>{0, Group::kLiftOutMsg, 7}));
}

// ---------------------------------------------------------------- choices

TEST_F(BoxesTest, ChoicesHighlightOnTheWayAndReportTheReleasedOne) {
    const int flags = ZE_Enter | ZE_Leave | ZE_LeftUp | ZF_Opaque;
    auto* box = new ButtonBox(&font, &tiles, &back, {"One", "Two", "Six"}, {"Pick"}, 400, 100, 20, -1, 1, true,
                              flags, kPale, kOrange);
    box->setOwner(owner, 5);
    tick();
    // Header on top at the box's y, choices stacked evenly below it, each
    // centred on x; the box holds them all.
    const auto& header = *box->headerLabels[0];
    const auto& choices = box->choiceLabels;
    ASSERT_EQ(choices.size(), 3u);
    EXPECT_EQ(header.y, 100);
    EXPECT_GT(choices[0]->y, header.y + header.layoutRect.bottom - header.layoutRect.top);
    EXPECT_GT(choices[1]->y, choices[0]->y);
    EXPECT_EQ(choices[2]->y - choices[1]->y, choices[1]->y - choices[0]->y);
    for (const auto& c : choices) {
        EXPECT_EQ(c->x, 400);
        EXPECT_LE(std::abs(c->layoutRect.left + c->layoutRect.right), 1) << c->text << " centred to the pixel";
        EXPECT_LT(c->layoutRect.left, 0) << c->text;
    }
    EXPECT_LE(box->bounds.top, header.y);
    EXPECT_GE(box->bounds.bottom, choices[2]->y + choices[2]->layoutRect.bottom);
    // The frame is one layer below the box.
    ASSERT_NE(box->frame, nullptr);
    EXPECT_EQ(box->frame->layer, 19);

    const auto colour = [&](int i) { return box->choiceLabels[static_cast<size_t>(i)]->rs.blue; };
    // Just inside a choice's top edge.
    const auto onChoice = [&](size_t i) { return static_cast<int>(choices[i]->y) + 2; };
    moveTo(400, onChoice(0));
    EXPECT_EQ(box->highlighted, 0);
    EXPECT_EQ(colour(0), 0);
    moveTo(400, onChoice(1));  // straight onto the next choice
    EXPECT_EQ(box->highlighted, 1);
    EXPECT_EQ(colour(0), 127);
    EXPECT_EQ(colour(1), 0);
    clickAt(400, onChoice(1));
    ASSERT_EQ(reportsOf(5).size(), 1u);
    EXPECT_EQ(reportsOf(5)[0], (std::array<int, 3>{0, 4, 2}));
    // Off the box: no highlight, and a release outside reports nothing.
    moveTo(700, 500);
    EXPECT_EQ(box->highlighted, -1);
    EXPECT_EQ(colour(1), 127);
    clickAt(700, 500);
    EXPECT_EQ(reportsOf(5).size(), 1u);
}

TEST_F(BoxesTest, ChoicesInARowAreCentredWithGapsOfTheirWidth) {
    auto* box = new ButtonBox(&font, nullptr, nullptr, {"OK", "Cancel"}, {}, 400, 100, 20, 0, 0, false,
                              ZE_LeftUp, kPale, kOrange);
    // OK is 20 wide, Cancel 60: the row is 20 + 20 + 60 wide, centred.
    EXPECT_EQ(box->choiceLabels[0]->x, 400 - 50);
    EXPECT_EQ(box->choiceLabels[1]->x, 400 - 50 + 40);
    EXPECT_EQ(box->highlighted, 0);
    EXPECT_EQ(box->bounds.bottom - box->bounds.top, 23 + 15);
    box->kill();
}

// ---------------------------------------------------------------- list

TEST_F(BoxesTest, ListSelectsByClickAndRefusesIndicesOutsideIt) {
    auto* list = new ListBox(&font, {"Ada", "Bo", "Cy"}, 10, 100, 200, kPale, kOrange, 1, "Players", 0);
    list->setItemsAlign(0);
    tick();
    // Title first, then the lines 18 apart, 30 below it.
    EXPECT_EQ(list->entries[0].label->y, 230);
    EXPECT_EQ(list->entries[2].label->y, 266);
    EXPECT_EQ(list->listHeight, 84);
    clickAt(105, 270);
    EXPECT_EQ(list->selected, 2);
    EXPECT_EQ(list->entries[2].label->rs.blue, 0);
    EXPECT_EQ(list->entries[1].label->rs.blue, 127);

    clearDebugLog();
    list->select(-1);
    list->select(3);
    EXPECT_EQ(list->selected, 2);
    EXPECT_NE(debugLog().find("current num > list size"), std::string::npos);

    // Removing the last line moves the selection up; adding selects the new one.
    list->removeSelected();
    EXPECT_EQ(list->selected, 1);
    EXPECT_EQ(list->count(), 2);
    list->addItem("Dee", 10);
    EXPECT_EQ(list->selected, 2);
    EXPECT_EQ(list->entries[2].label->align, 0);
    list->removeSelected();
    list->removeSelected();
    list->removeSelected();
    EXPECT_EQ(list->count(), 0);
    EXPECT_EQ(list->selected, -1);
    list->removeSelected();  // nothing left: nothing happens
    EXPECT_EQ(list->count(), 0);
}

// ---------------------------------------------------------------- name field

TEST_F(BoxesTest, NameFieldTakesLettersAndDigitsUpToItsLength) {
    auto* field = new EditBox(&font, "", 200, 100, 30, 10, 0);
    field->setOwner(owner, 2);
    EXPECT_EQ(keyboardFocus(), field);
    type("Ab%'. 9_-\xE9\xD7");  // letters, digits and an accented letter only
    EXPECT_EQ(field->text, "Ab9\xE9");
    EXPECT_EQ(field->caret, 4);
    type("cdefghijk");
    EXPECT_EQ(field->text, "Ab9\xE9" "cdefgh");
    EXPECT_EQ(field->caret, 10);
    // Full: letters are ignored, editing keys still work.
    key(platform::Key::Left);
    key(platform::Key::Left);
    EXPECT_EQ(field->caret, 8);
    key(platform::Key::Delete);
    EXPECT_EQ(field->text, "Ab9\xE9" "cdefh");
    type("\b");
    EXPECT_EQ(field->text, "Ab9\xE9" "cdeh");
    EXPECT_EQ(field->caret, 7);
    type("Z");
    EXPECT_EQ(field->text, "Ab9\xE9" "cdeZh");
    // The caret stops at both ends.
    for (int i = 0; i < 12; ++i) key(platform::Key::Right);
    EXPECT_EQ(field->caret, 9);
    for (int i = 0; i < 12; ++i) key(platform::Key::Left);
    EXPECT_EQ(field->caret, 0);
    type("\b");
    EXPECT_EQ(field->text.size(), 9u);
    // Every key stays with the field, Escape too; Enter reports.
    EXPECT_EQ(field->onKey(283), 1);
    type("\r");
    ASSERT_EQ(reportsOf(2).size(), 1u);
    EXPECT_EQ(reportsOf(2)[0], (std::array<int, 3>{0, EditBox::kEnterMsg, 0}));
}

TEST_F(BoxesTest, CaretBlinksEvery22TicksForAsLongAsTheFieldLives) {
    auto* field = new EditBox(&font, "Bo", 200, 100, 30, 10, 0);
    tick();
    const PckSprite& caret = field->caretShow->sprite;
    EXPECT_EQ(caret.layer, 31);
    EXPECT_EQ(caret.x, field->label.caretPoint(2).x);
    // Runs of the lit and the blank glyph, in turn; a wait counts the tick it
    // starts in, so a run of 22 ticks is seen for 21 ticks after it.
    std::vector<std::pair<int, int>> runs;  // glyph, ticks
    for (int t = 0; t < 40 * 22; ++t) {
        if (runs.empty() || runs.back().first != caret.frame) runs.push_back({caret.frame, 0});
        ++runs.back().second;
        tick();
    }
    ASSERT_GE(runs.size(), 39u);
    for (size_t i = 0; i + 1 < runs.size(); ++i) {
        EXPECT_EQ(runs[i].first, i % 2 == 0 ? EditBox::kCaretGlyph : 0) << i;
        EXPECT_NEAR(runs[i].second, 21.5, 0.5) << i;
    }
    // Typing moves the caret and restarts the blink lit.
    type("b");
    tick();
    EXPECT_EQ(caret.x, field->label.caretPoint(3).x);
    EXPECT_EQ(caret.frame, EditBox::kCaretGlyph);
}

TEST_F(BoxesTest, LettingGoOfTheFocusTwiceOrFromASecondFieldIsHarmless) {
    auto* first = new EditBox(&font, "", 200, 100, 30, 10, 0);
    auto* second = new EditBox(&font, "", 200, 200, 30, 10, 0);
    EXPECT_EQ(keyboardFocus(), second);
    first->releaseFocus();  // does not hold it: nothing changes
    EXPECT_EQ(keyboardFocus(), second);
    second->releaseFocus();
    second->releaseFocus();
    EXPECT_EQ(keyboardFocus(), nullptr);
    // Keys go to the keyboard handler again.
    auto* handler = new ReportRecorder;
    setKeyboardHandler(handler);
    type("x");
    EXPECT_TRUE(second->text.empty());
    first->kill();
    second->kill();
    tick();
}

// ---------------------------------------------------------------- text button

TEST_F(BoxesTest, TextButtonHoversInColourAndClicks) {
    auto* b = new ButtonLabel(&font, "New", 40, 300, 300, kPale, kOrange, 0);
    b->setOwner(owner, 5);
    tick();
    EXPECT_EQ(b->label.rs.blue, 127);
    moveTo(305, 305);
    EXPECT_EQ(b->label.rs.blue, 0);
    clickAt(305, 305);
    ASSERT_EQ(reportsOf(5).size(), 1u);
    EXPECT_EQ(reportsOf(5)[0], (std::array<int, 3>{0, 4, 0}));
    moveTo(600, 500);
    EXPECT_EQ(b->label.rs.blue, 127);
}

}  // namespace
