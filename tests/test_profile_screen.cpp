// The profile screen and the top-ten table, played through the dispatcher
// with the mouse and the keyboard as a player would: the flows of creating,
// renaming, deleting and choosing players, what reaches the users file, and
// the table's drop-in and exit.
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "frame/app.h"
#include "frame/clock.h"
#include "frame/profile.h"
#include "game_support.h"
#include "platform/event.h"
#include "players/highscores.h"
#include "res/texts.h"
#include "screens/dispatcher.h"
#include "screens/pictures.h"
#include "screens/profile_screen.h"
#include "screens/top10_screen.h"
#include "screens/pad_input.h"
#include "ui/boxes.h"
#include "ui/buttons.h"

namespace {

// Every picture 152 x 52 (the size of a profile button), the panels larger.
void stubLoad(PicturePack& pack, const std::string& name, bool, int frames, int perRow) {
    const bool big = name == "list_users" || name == "hiscores_plate";
    const int w = big ? 400 : name == "font1" ? 12 : 152, h = big ? 480 : name == "font1" ? 20 : 52;
    for (int i = 0; i < std::max(frames, 1); ++i) pack.addFrame((i % perRow) * w, (i / perRow) * h, w, h);
}

template <class T>
T* liveOf() {
    for (auto* list : {&liveActors(), &newActors()})
        for (Actor* a : *list)
            if (auto* t = dynamic_cast<T*>(a); t && !a->dead) return t;
    return nullptr;
}

template <class T>
int countOf() {
    int n = 0;
    for (auto* list : {&liveActors(), &newActors()})
        for (Actor* a : *list)
            if (dynamic_cast<T*>(a) && !a->dead) ++n;
    return n;
}

std::string fileText(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

}  // namespace

class PlayerScreensTest : public GameTest {
protected:
    void SetUp() override {
        GameTest::SetUp();
        resetPicturesForTests();
        setPictureLoadFunction(stubLoad);
        engineStart();
        loadTexts("vm_texts.loc");  // the buttons' words are what is clicked
    }
    void TearDown() override {
        uninstallPadInput();
        resetPadInputForTests();
        releaseDispatcher();
        engineStop();
        clearTexts();
        GameTest::TearDown();
        setPictureLoadFunction(nullptr);
        resetPicturesForTests();
    }

    static void send(const platform::Event& e) {
        runEventHooks(e);
        dispatchInput();
    }
    static void clickAt(int x, int y) {
        send(platform::pointerMove(x, y));
        send(platform::pointerButton(platform::PointerButton::Left, true, x, y, {.left = true}));
        send(platform::pointerButton(platform::PointerButton::Left, false, x, y, {}));
    }
    static void clickOn(const Sprite& s) {
        Rect r;
        s.getRect(r);
        clickAt((r.left + r.right) / 2, (r.top + r.bottom) / 2);
    }
    static void type(const std::string& text) {
        for (unsigned char c : text) send(platform::textEvent(c));
    }
    // Long enough for any slide of the screen to end.
    void settle() { run(60); }

    ReportRecorder* leaving = nullptr;
    UserName* screen = nullptr;

    std::string usersPath() const { return dir + "vm_users.ini"; }
    void store(std::vector<PlayerEntry> list, int active) {
        ASSERT_TRUE(commitPlayers(list, active));
        // A little progress for everyone, to see it kept or dropped.
        for (int i = 0; i < static_cast<int>(list.size()); ++i)
            profileWriteString(usersPath(), ("User" + std::to_string(i)).c_str(), "UserProgress",
                               std::to_string(21 + i).c_str());
        ASSERT_TRUE(loadActivePlayer());
    }
    // The screen on its own, reporting to `leaving`: what the dispatcher
    // does next is no business of these tests.
    ListBoxUser* openList() {
        leaving = new ReportRecorder;
        screen = new UserName;
        screen->setOwner(leaving, 0);
        screen->start();
        settle();
        return liveOf<ListBoxUser>();
    }
    bool left() const { return leaving && leaving->reports.size() == 1 && screen->dead; }
    void choose(ListBoxUser* list, int button) {  // 0 rename, 1 delete, 2 ok, 3 cancel
        clickOn(*list->buttons[button]->sprite());
        settle();
    }
    void newPlayer(ListBoxUser* list) {
        clickOn(list->newLabel->label);
        settle();
    }
    // The first choice of the open dialog's row (OK or Yes), or the second.
    template <class Dialog>
    void answer(int choice) {
        Dialog* dialog = liveOf<Dialog>();
        ASSERT_NE(dialog, nullptr);
        clickOn(*dialog->buttons->choiceLabels[static_cast<size_t>(choice)]);
        settle();
    }
};

// ---------------------------------------------------------------- first start

TEST_F(PlayerScreensTest, FirstStartAsksForANameUntilOneIsTypedAndKeepsItsLettersAcrossARestart) {
    // The title leads to the profile screen while nobody is stored.
    Dispatcher& d = dispatcher();
    d.switchTo(&d.title);
    d.title.onNotify(3, 0, 0, 0);
    ASSERT_EQ(d.current, &d.profile);
    settle();
    EXPECT_EQ(liveOf<ListBoxUser>(), nullptr);
    EditBoxProfile* dialog = liveOf<EditBoxProfile>();
    ASSERT_NE(dialog, nullptr);
    EXPECT_EQ(dialog->mode, EditBoxProfile::kFirst);
    EXPECT_EQ(dialog->buttons->choiceLabels.size(), 1u);  // OK only
    EXPECT_EQ(keyboardFocus(), dialog->field);

    // An empty name brings the same question back.
    type("\r");
    settle();
    EXPECT_EQ(player::CountUser(), 0);
    dialog = liveOf<EditBoxProfile>();
    ASSERT_NE(dialog, nullptr);
    EXPECT_EQ(dialog->mode, EditBoxProfile::kFirst);

    type("Zo\xEB");  // "Zoë", as the window system hands it over
    answer<EditBoxProfile>(0);
    EXPECT_EQ(player::CountUser(), 1);
    EXPECT_EQ(player::Name(), "Zo\xEB");
    EXPECT_NE(d.current, &d.profile);
    EXPECT_EQ(keyboardFocus(), nullptr);
    // The file holds the name as UTF-8; the next start reads it back.
    EXPECT_NE(fileText(usersPath()).find("Name=Zo\xC3\xAB\n"), std::string::npos);
    resetPlayersForTests();
    ASSERT_TRUE(selectIniFile("vm_game.ini", false));
    ASSERT_TRUE(loadStartup());
    EXPECT_EQ(player::Name(), "Zo\xEB");
    ASSERT_EQ(listPlayers().size(), 1u);
    EXPECT_EQ(listPlayers()[0].name, "Zo\xEB");
}

// ---------------------------------------------------------------- the list

TEST_F(PlayerScreensTest, OkMakesTheChosenPlayerActiveAndCancelStoresNothing) {
    store({{"Ada", -1, 0}, {"Bo", -1, 0}, {"Cy", -1, 0}}, 1);
    const std::string before = fileText(usersPath());
    ListBoxUser* list = openList();
    ASSERT_NE(list, nullptr);
    EXPECT_EQ(list->selection(), 1);
    EXPECT_EQ(list->groupSprite->y, ListBoxUser::kY);

    // Rename Bo and delete Ada, then leave with cancel: the file is as it was.
    choose(list, 0);
    type("\b\bBob\r");
    settle();
    EXPECT_EQ(list->players[1].name, "Bob");
    clickOn(*list->listBox->entries[0].label);
    EXPECT_EQ(list->selection(), 0);
    choose(list, 1);
    answer<TextBoxProfile>(0);
    EXPECT_EQ(list->players.size(), 2u);
    choose(list, 3);
    EXPECT_TRUE(left());
    EXPECT_EQ(fileText(usersPath()), before);
    EXPECT_EQ(player::Name(), "Bo");

    // OK on another player makes it the active one and changes nothing else.
    list = openList();
    clickOn(*list->listBox->entries[2].label);
    choose(list, 2);
    EXPECT_TRUE(left());
    EXPECT_EQ(player::Name(), "Cy");
    EXPECT_EQ(player::LastActiveUser(), 2);
    EXPECT_EQ(player::UserProgress(), 23);
    EXPECT_EQ(listPlayers().size(), 3u);
}

TEST_F(PlayerScreensTest, DeletingAndCreatingAreStoredTogetherAndTheNewPlayerStartsFresh) {
    store({{"Ada", -1, 0}, {"Bo", -1, 0}, {"Cy", -1, 0}}, 0);
    ListBoxUser* list = openList();
    clickOn(*list->listBox->entries[1].label);
    choose(list, 1);
    answer<TextBoxProfile>(0);  // yes: Bo goes
    EXPECT_EQ(list->groupSprite->y, ListBoxUser::kY);
    EXPECT_EQ(listPlayers().size(), 3u);  // not stored yet
    newPlayer(list);
    type("Dee\r");
    settle();
    const std::vector<PlayerEntry> stored = listPlayers();
    ASSERT_EQ(stored.size(), 3u);
    EXPECT_EQ(stored[0].name, "Ada");
    EXPECT_EQ(stored[1].name, "Cy");
    EXPECT_EQ(stored[2].name, "Dee");
    EXPECT_EQ(player::Name(), "Dee");
    EXPECT_EQ(player::UserProgress(), 11);  // nothing of Bo's
    EXPECT_EQ(profileGetInt(usersPath(), "User1", "UserProgress", 0), 23);  // Cy's kept, moved up
}

TEST_F(PlayerScreensTest, NamesAreCaseSensitiveAndATakenNameIsAskedAgain) {
    store({{"Ada", -1, 0}, {"Bo", -1, 0}}, 0);
    ListBoxUser* list = openList();
    newPlayer(list);
    type("Bo\r");
    settle();
    TextBoxProfile* taken = liveOf<TextBoxProfile>();
    ASSERT_NE(taken, nullptr);
    EXPECT_EQ(taken->mode, TextBoxProfile::kTakenNew);
    answer<TextBoxProfile>(0);
    EditBoxProfile* again = liveOf<EditBoxProfile>();
    ASSERT_NE(again, nullptr);
    EXPECT_EQ(again->mode, EditBoxProfile::kNew);
    type("bo\r");  // differs in case only: a second player
    settle();
    ASSERT_EQ(listPlayers().size(), 3u);
    EXPECT_EQ(player::Name(), "bo");
}

TEST_F(PlayerScreensTest, RenamingToTheSameNameIsRefusedAsTaken) {
    store({{"Ada", -1, 0}}, 0);
    ListBoxUser* list = openList();
    choose(list, 0);
    EditBoxProfile* dialog = liveOf<EditBoxProfile>();
    ASSERT_NE(dialog, nullptr);
    EXPECT_EQ(dialog->typedName(), "Ada");
    type("\r");
    settle();
    TextBoxProfile* taken = liveOf<TextBoxProfile>();
    ASSERT_NE(taken, nullptr);
    EXPECT_EQ(taken->mode, TextBoxProfile::kTakenRename);
    answer<TextBoxProfile>(0);
    dialog = liveOf<EditBoxProfile>();
    ASSERT_NE(dialog, nullptr);
    EXPECT_EQ(dialog->mode, EditBoxProfile::kRename);
    // Cancel goes back to the list with the name unchanged.
    answer<EditBoxProfile>(1);
    EXPECT_EQ(list->players[0].name, "Ada");
    EXPECT_EQ(list->groupSprite->y, ListBoxUser::kY);
}

TEST_F(PlayerScreensTest, NinePlayersAreTheLimit) {
    std::vector<PlayerEntry> nine;
    for (int i = 0; i < 9; ++i) nine.push_back({"P" + std::to_string(i), -1, 0});
    store(nine, 0);
    ListBoxUser* list = openList();
    newPlayer(list);
    TextBoxProfile* full = liveOf<TextBoxProfile>();
    ASSERT_NE(full, nullptr);
    EXPECT_EQ(full->mode, TextBoxProfile::kTooMany);
    EXPECT_EQ(liveOf<EditBoxProfile>(), nullptr);
    answer<TextBoxProfile>(0);
    EXPECT_EQ(list->groupSprite->y, ListBoxUser::kY);
    EXPECT_EQ(listPlayers().size(), 9u);
}

TEST_F(PlayerScreensTest, DeletingTheLastPlayerAsksForANewOneAndStoresOnlyThat) {
    store({{"Ada", -1, 0}}, 0);
    ListBoxUser* list = openList();
    choose(list, 1);
    answer<TextBoxProfile>(0);
    EditBoxProfile* first = liveOf<EditBoxProfile>();
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(first->mode, EditBoxProfile::kFirst);
    EXPECT_EQ(first->buttons->choiceLabels.size(), 1u);
    type("\r");  // nothing typed: asked again
    settle();
    ASSERT_NE(liveOf<EditBoxProfile>(), nullptr);
    EXPECT_EQ(listPlayers().size(), 1u);
    type("Eve\r");
    settle();
    const std::vector<PlayerEntry> stored = listPlayers();
    ASSERT_EQ(stored.size(), 1u);
    EXPECT_EQ(stored[0].name, "Eve");
    EXPECT_EQ(player::UserProgress(), 11);
}

// ---------------------------------------------------------------- answers given twice

TEST_F(PlayerScreensTest, AnswersAfterADialogHasDecidedChangeNothing) {
    store({{"Ada", -1, 0}, {"Bo", -1, 0}}, 0);
    ListBoxUser* list = openList();
    // Two clicks on a list button while the list leaves: one dialog.
    clickOn(*list->buttons[1]->sprite());
    clickOn(*list->buttons[1]->sprite());
    run(8);
    clickOn(*list->buttons[0]->sprite());
    settle();
    EXPECT_EQ(countOf<TextBoxProfile>(), 1);
    EXPECT_EQ(countOf<EditBoxProfile>(), 0);
    // Yes twice: one player deleted.
    TextBoxProfile* question = liveOf<TextBoxProfile>();
    clickOn(*question->buttons->choiceLabels[0]);
    clickOn(*question->buttons->choiceLabels[0]);
    settle();
    EXPECT_EQ(list->players.size(), 1u);
    // Enter twice on a new name: one player, and no "name taken".
    newPlayer(list);
    type("Cy\r\r");
    clickOn(*liveOf<EditBoxProfile>()->buttons->choiceLabels[0]);
    settle();
    EXPECT_EQ(countOf<TextBoxProfile>(), 0);
    const std::vector<PlayerEntry> stored = listPlayers();
    ASSERT_EQ(stored.size(), 2u);
    EXPECT_EQ(stored[1].name, "Cy");
}

// ---------------------------------------------------------------- top ten

TEST_F(PlayerScreensTest, TopTenShowsItsRowsLeavesOnDoneEvenWhileDroppingInAndReportsOnce) {
    insertHighScore("Ada", 95000);
    Dispatcher& d = dispatcher();
    d.switchTo(&d.top10);
    Top10Table* table = d.top10.table;
    ASSERT_NE(table, nullptr);
    EXPECT_EQ(table->rows, 10);
    EXPECT_EQ(table->nameLabels[1]->text, "Ada");
    EXPECT_EQ(table->scoreLabels[1]->text, "95000");
    EXPECT_EQ(table->nameLabels[9]->text, "Brannock");
    EXPECT_LT(table->groupSprite->y, 0);  // starts above the screen
    run(4);
    // Done before the plate has landed, twice: it lands, leaves, reports once.
    clickOn(*table->doneButton->sprite());
    clickOn(*table->doneButton->sprite());
    // The whole drop-in, then the whole lift-out.
    int t = 4;
    for (; t < 3 * Group::kSlideTicks && d.current == &d.top10; ++t) run(1);
    EXPECT_GE(t, 2 * Group::kSlideTicks - 2);
    EXPECT_NE(d.current, &d.top10);
    EXPECT_TRUE(table->dead);
}

TEST_F(PlayerScreensTest, TheEndOfAGameEntersItsScoreAndShowsTheTable) {
    store({{"Ada", -1, 0}}, 0);
    Dispatcher& d = dispatcher();
    d.switchTo(&d.game);
    Game* g = Game::existing();
    g->scoring->set(123456);
    g->finishGame();
    EXPECT_EQ(d.current, &d.top10);
    EXPECT_EQ(loadHighScores()[0].name, "Ada");
    EXPECT_EQ(d.top10.table->nameLabels[0]->text, "Ada");
    EXPECT_EQ(Game::existing(), nullptr);
}

// ---------------------------------------------------------------- without a mouse

TEST_F(PlayerScreensTest, AControllerWalksTheListOfPlayersAndPicksANewNameLetterByLetter) {
    installPadInput();
    store({{"Ada", -1, 0}, {"Bob", -1, 0}, {"Cy", -1, 0}}, 0);
    ListBoxUser* list = openList();
    ASSERT_NE(list, nullptr);
    ListBox& box = *list->listBox;
    ASSERT_EQ(box.count(), 3);
    const auto zoneOf = [](const Sprite& s) {
        Rect r;
        s.getRect(r);
        return focusCandidateAt((r.left + r.right) / 2, (r.top + r.bottom) / 2);
    };
    const MouseZone* line[3] = {zoneOf(*box.entries[0].label), zoneOf(*box.entries[1].label),
                                zoneOf(*box.entries[2].label)};
    ASSERT_TRUE(line[0] && line[1] && line[2]);
    EXPECT_EQ(nextFocus(line[0], 0, 0, 0, 1), line[1]);
    EXPECT_EQ(nextFocus(line[2], 0, 0, 0, -1), line[1]);
    const auto tap = [](platform::PadButton b) {
        send(platform::padButtonEvent(b, true));
        send(platform::padButtonEvent(b, false));
    };
    using platform::PadButton;
    send(platform::pointerMove(line[0]->x + 2, line[0]->y + 2));
    tap(PadButton::DpadDown);  // shows the focus
    EXPECT_EQ(padFocus(), line[0]);
    tap(PadButton::DpadDown);
    EXPECT_EQ(padFocus(), line[1]);
    EXPECT_EQ(box.selected, 1);  // the focus selects the line it lands on

    newPlayer(list);
    auto* dialog = liveOf<EditBoxProfile>();
    ASSERT_NE(dialog, nullptr);
    tap(PadButton::DpadUp);     // A
    tap(PadButton::DpadUp);     // B
    tap(PadButton::DpadRight);  // BA
    tap(PadButton::DpadDown);   // B9: down from A runs backwards round the end
    EXPECT_EQ(dialog->field->text, "B9");
    tap(PadButton::DpadLeft);  // rubbed out
    tap(PadButton::DpadRight);
    tap(PadButton::DpadUp);
    tap(PadButton::DpadUp);
    EXPECT_EQ(dialog->field->text, "BC");
    tap(PadButton::A);  // as Enter: the name is taken at once
    EXPECT_TRUE(list->hasName("BC"));
    settle();
}

TEST_F(PlayerScreensTest, InANameFieldTheKeysThatPlayAreLettersAndTheArrowsReachTheDialogsButtons) {
    installPadInput();
    store({{"Ada", -1, 0}}, 0);
    ListBoxUser* list = openList();
    ASSERT_NE(list, nullptr);
    newPlayer(list);
    auto* dialog = liveOf<EditBoxProfile>();
    ASSERT_NE(dialog, nullptr);
    const auto press = [](platform::Key k, uint8_t typed) {
        send(platform::keyEvent(true, k));
        if (typed) send(platform::textEvent(typed));
        send(platform::keyEvent(false, k));
    };
    // A, D and S slide the cannon and swap in play; here they are letters.
    for (char c : std::string("DSA")) press(platform::letterKey(c), static_cast<uint8_t>(c));
    EXPECT_EQ(dialog->field->text, "DSA");

    // Down goes from the field to the button under the pointer, and Return
    // clicks it instead of confirming the name.
    Rect r;
    dialog->buttons->choiceLabels[1]->getRect(r);  // Cancel
    send(platform::pointerMove((r.left + r.right) / 2, (r.top + r.bottom) / 2));
    press(platform::Key::Down, 0);
    ASSERT_NE(padFocus(), nullptr);
    press(platform::Key::Return, 13);
    EXPECT_FALSE(list->hasName("DSA"));
    settle();
    EXPECT_EQ(liveOf<EditBoxProfile>(), nullptr);
}
