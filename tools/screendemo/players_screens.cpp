// The profile screen in each of its dialogs, and the top-ten table, driven
// by clicks and typed keys as a player would.
#include <cstdio>

#include "demo.h"
#include "frame/settings.h"
#include "players/highscores.h"
#include "players/players.h"
#include "screens/pictures.h"
#include "screens/profile_screen.h"
#include "screens/notice.h"
#include "screens/top10_screen.h"

namespace {

using screendemo::Registration;
using screendemo::Stage;

constexpr int kSlide = 40;  // a list or dialog movement, with time to spare

void storePlayers(std::initializer_list<const char*> names) {
    std::vector<PlayerEntry> list;
    for (const char* n : names) list.push_back({n, -1, 0});
    commitPlayers(list, 1 < list.size() ? 1 : 0);
}

UserName* openProfile(Stage& s) {
    auto* screen = new UserName;
    screen->start();
    s.run(kSlide);
    return screen;
}

// Buttons of the list at its resting place.
void clickListButton(Stage& s, int dx, int dy) { s.click(ListBoxUser::kX + dx + 70, ListBoxUser::kY + dy + 25); }

const Registration first("profile-first", "the first player's dialog with a typed name", [](Stage& s) {
    openProfile(s);
    s.type("Brynja");
    s.run(30);
});

const Registration list("profile-list", "the player list with three players", [](Stage& s) {
    storePlayers({"Ada", "Bo", "Ciar\xE1n"});
    openProfile(s);
});

const Registration newPlayer("profile-new", "the new-player dialog with a typed name and the caret",
                             [](Stage& s) {
                                 storePlayers({"Ada", "Bo", "Ciar\xE1n"});
                                 openProfile(s);
                                 s.click(ListBoxUser::kX + 130, ListBoxUser::kY + 58);  // "new player"
                                 s.run(kSlide);
                                 s.type("Dagny");
                                 s.run(10);
                             });

const Registration rename("profile-rename", "the rename dialog", [](Stage& s) {
    storePlayers({"Ada", "Bo", "Ciar\xE1n"});
    openProfile(s);
    clickListButton(s, 41, 332);
    s.run(kSlide);
});

const Registration deletion("profile-delete", "the delete question", [](Stage& s) {
    storePlayers({"Ada", "Bo", "Ciar\xE1n"});
    openProfile(s);
    clickListButton(s, 206, 332);
    s.run(kSlide);
});

const Registration tooMany("profile-toomany", "nine players and one more", [](Stage& s) {
    storePlayers({"Ada", "Bo", "Cai", "Dov", "Eir", "Fenna", "Gus", "Hild", "Ivo"});
    openProfile(s);
    s.click(ListBoxUser::kX + 130, ListBoxUser::kY + 58);
    s.run(kSlide);
});

const Registration taken("profile-taken", "a new player's name already taken", [](Stage& s) {
    storePlayers({"Ada", "Bo", "Ciar\xE1n"});
    openProfile(s);
    s.click(ListBoxUser::kX + 130, ListBoxUser::kY + 58);
    s.run(kSlide);
    s.type("Bo\r");
    s.run(2 * kSlide);
});

const Registration tableDefaults("top10", "the top-ten table as first shown", [](Stage& s) {
    new Top10Table;
    s.run(kSlide);
});

const Registration tableScore("top10-score", "the top-ten table after a new score", [](Stage& s) {
    insertHighScore("Ciar\xE1n", 65432);
    new Top10Table;
    s.run(kSlide);
});

}  // namespace

namespace {
const screendemo::Registration saveNotice("save-notice", "the note that progress cannot be saved, over the menu backdrop",
                                          [](screendemo::Stage& s) {
                                              PckSprite back;
                                              back.setPicture(pictureByName("_mm_bkg"), 0);
                                              showSaveFailure("No space left on device");
                                              s.run(60);
                                              s.shot(s.outPath);
                                          });
}  // namespace

namespace {
// Prints the users file as it stands after each kind of change made on the
// profile screen with clicks and keys: create, rename, delete, cancel.
void printUsers(const char* after) {
    std::string text;
    std::FILE* f = std::fopen(makeDataPath(usersFile()).c_str(), "rb");
    if (f) {
        char buf[4096];
        size_t n;
        while ((n = std::fread(buf, 1, sizeof buf, f)) > 0) text.append(buf, n);
        std::fclose(f);
    }
    std::printf("---- users file after %s\n%s", after, text.c_str());
}

const Registration flows("profile-flows", "create, rename, delete and cancel, printing the users file after each",
                         [](Stage& s) {
                             auto leave = [&](UserName* screen) {
                                 s.run(kSlide);
                                 if (!screen->dead) std::printf("(the screen is still open)\n");
                                 s.run(2);
                             };
                             UserName* screen = openProfile(s);  // nobody yet: asks for the first player
                             s.type("Ada\r");
                             leave(screen);
                             printUsers("creating the first player, Ada");
                             screen = openProfile(s);
                             s.click(ListBoxUser::kX + 130, ListBoxUser::kY + 58);
                             s.run(kSlide);
                             s.type("Bj\xF6rn\r");
                             leave(screen);
                             printUsers("creating Bj\xC3\xB6rn");
                             screen = openProfile(s);
                             clickListButton(s, 41, 332);  // rename the selected (Björn)
                             s.run(kSlide);
                             s.type("\b\b\b\b\bBo\r");
                             s.run(kSlide);
                             clickListButton(s, 41, 408);  // OK
                             leave(screen);
                             printUsers("renaming Bj\xC3\xB6rn to Bo and OK");
                             screen = openProfile(s);
                             s.click(ListBoxUser::kX + 110, ListBoxUser::kY + 78 + 4);  // Ada
                             clickListButton(s, 206, 332);  // delete
                             s.run(kSlide);
                             if (screen->message) {  // yes
                                 Rect r;
                                 screen->message->buttons->choiceLabels[0]->getRect(r);
                                 s.click((r.left + r.right) / 2, (r.top + r.bottom) / 2);
                             }
                             s.run(kSlide);
                             clickListButton(s, 41, 408);  // OK
                             leave(screen);
                             printUsers("deleting Ada and OK");
                             screen = openProfile(s);
                             clickListButton(s, 41, 332);
                             s.run(kSlide);
                             s.type("Cy\r");
                             s.run(kSlide);
                             clickListButton(s, 206, 408);  // cancel
                             leave(screen);
                             printUsers("renaming Bo to BoCy and Cancel");
                         });
}  // namespace
