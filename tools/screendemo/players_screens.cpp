// The profile screen in each of its dialogs, and the top-ten table, driven
// by clicks and typed keys as a player would.
#include "demo.h"
#include "players/highscores.h"
#include "players/players.h"
#include "screens/pictures.h"
#include "screens/profile_screen.h"
#include "screens/save_notice.h"
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
                                              new SaveNotice("No space left on device");
                                              s.run(60);
                                              s.shot(s.outPath);
                                          });
}  // namespace
