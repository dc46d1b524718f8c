#include "tour.h"

#include <cstdio>

#include "game/game.h"
#include "platform/event.h"
#include "res/picture_pack.h"
#include "scene/actor.h"
#include "screens/ask_screens.h"
#include "screens/dialog_screens.h"
#include "screens/dispatcher.h"
#include "screens/help_screen.h"
#include "screens/hud_menu.h"
#include "screens/main_menu.h"
#include "screens/options_menu.h"
#include "screens/pictures.h"
#include "screens/profile_screen.h"
#include "screens/startup_screens.h"
#include "screens/tooltip.h"
#include "screens/top10_screen.h"
#include "ui/buttons.h"

namespace autoplay {

namespace {

constexpr int kTimeout = 80 * 60;  // a screen that has not come in a minute will not come

template <class T>
T* live() {
    for (Actor* a : liveActors())
        if (auto* t = dynamic_cast<T*>(a); t && !a->dead) return t;
    return nullptr;
}

Dispatcher* disp() { return existingDispatcher(); }

template <class State>
bool in(State Dispatcher::*state) {
    Dispatcher* d = disp();
    return d && d->current == &(d->*state);
}

MainMenu* idleMenu() {
    Dispatcher* d = disp();
    return d && d->current == &d->menu && d->menu.menu && d->menu.menu->idle() ? d->menu.menu : nullptr;
}

UserName* profile() {
    Dispatcher* d = disp();
    return d && d->current == &d->profile ? d->profile.screen : nullptr;
}

ListBoxUser* restingList() {
    UserName* p = profile();
    if (!p || !p->list || p->dialog || p->message || p->list->leaving) return nullptr;
    return p->list->groupSprite->y == ListBoxUser::kY ? p->list : nullptr;
}

EditBoxProfile* nameDialog(int mode) {
    UserName* p = profile();
    return p && p->dialog && p->dialog->mode == mode && p->dialog->slide == 0 ? p->dialog : nullptr;
}

TextBoxProfile* messageBox(int mode) {
    UserName* p = profile();
    return p && p->message && p->message->mode == mode && p->message->slide == 0 ? p->message : nullptr;
}

InGameMenu* openGameMenu() {
    Menu* bar = Menu::existing();
    return bar && bar->inGameMenu && bar->inGameMenu->open ? bar->inGameMenu : nullptr;
}

bool playing() {
    Game* g = Game::existing();
    return in(&Dispatcher::game) && g && g->current == &g->physics && !g->paused() && g->physics.playMs > 1500;
}

ToolTip* shownTip(int buttonType) {
    for (Actor* a : liveActors())
        if (auto* t = dynamic_cast<ToolTip*>(a);
            t && !a->dead && t->phase == ToolTip::kShown && t->buttonType == buttonType)
            return t;
    return nullptr;
}

AskScreen2* question(int mode) {
    for (Actor* a : liveActors())
        if (auto* q = dynamic_cast<AskScreen2*>(a);
            q && !a->dead && q->mode == mode && q->question && q->question->phase == ToolTip::kShown)
            return q;
    return nullptr;
}

bool logoShowing(const char* pack) {
    for (Actor* a : liveActors())
        if (auto* l = dynamic_cast<CLogoScreen*>(a);
            l && !a->dead && l->picture.pack == pictureByName(pack) && l->phase == CLogoScreen::kShowing)
            return true;
    return false;
}

void clickMenu(Hands& h, int entry) {
    if (MainMenu* m = idleMenu()) h.clickOn(*m->buttons[static_cast<size_t>(entry)]->sprite());
}

void clickGameMenu(Hands& h, int entry) {
    if (InGameMenu* m = openGameMenu()) h.clickOn(*m->buttons[static_cast<size_t>(entry)]->sprite());
}

// Main menu entries and in-game menu entries by their place.
enum { kPlay = 0, kHiScores = 1, kOptions = 2, kHelp = 3, kExit = 4 };
enum { kResume = 0, kGameHelp = 1, kRestart = 2, kMainMenu = 3, kGameOptions = 4, kGameExit = 5 };

}  // namespace

Tour::Tour() { build(); }

void Tour::build() {
    auto add = [this](std::string name, std::function<bool()> ready, std::function<void(Hands&)> act,
                      int settle = 30) { steps_.push_back({std::move(name), std::move(ready), std::move(act), settle}); };
    auto nothing = [](Hands&) {};

    // Start-up: the logos cannot be skipped; the title loads, then any key
    // leaves it.
    add("logo1", [] { return logoShowing("_logo1"); }, nothing, 100);
    add("logo2", [] { return logoShowing("_logo2"); }, nothing, 100);
    add("title-loading", [] {
        auto* t = live<TitleScreenv2>();
        return t && t->phase == TitleScreenv2::kLoading && t->step >= 18;
    }, nothing, 0);
    add("title-clickhere", [] {
        auto* t = live<TitleScreenv2>();
        return t && t->phase == TitleScreenv2::kWaiting && t->clickButton;
    }, [](Hands& h) { h.key(platform::Key::Space); });

    // The first player, typed; then the profile screen's dialogs.
    add("profile-first", [] { return nameDialog(EditBoxProfile::kFirst) != nullptr; }, [](Hands& h) {
        h.type("Tour");
        h.key(platform::Key::Return);
    });
    add("main-menu", [] { return idleMenu() != nullptr; },
        [](Hands& h) { h.clickOn(*idleMenu()->clickButton->sprite()); });
    add("profile-list", [] { return restingList() != nullptr; },
        [](Hands& h) { h.clickOn(restingList()->newLabel->label); });
    add("profile-new", [] { return nameDialog(EditBoxProfile::kNew) != nullptr; }, [](Hands& h) {
        h.type("Tour");  // already taken
        h.key(platform::Key::Return);
    });
    add("profile-name-taken", [] { return messageBox(TextBoxProfile::kTakenNew) != nullptr; },
        [](Hands& h) { h.clickOn(*messageBox(TextBoxProfile::kTakenNew)->buttons->choiceLabels[0]); });
    add("", [] { return nameDialog(EditBoxProfile::kNew) != nullptr; }, [](Hands& h) {
        h.type("Guest");
        h.key(platform::Key::Return);
    });
    add("", [] { return idleMenu() != nullptr; }, [](Hands& h) { h.clickOn(*idleMenu()->clickButton->sprite()); });
    add("", [] { return restingList() != nullptr; },
        [](Hands& h) { h.clickOn(*restingList()->buttons[0]->sprite()); });  // rename
    add("profile-rename", [] { return nameDialog(EditBoxProfile::kRename) != nullptr; },
        [](Hands& h) { h.clickOn(*nameDialog(EditBoxProfile::kRename)->buttons->choiceLabels[1]); });  // cancel
    add("", [] { return restingList() != nullptr; },
        [](Hands& h) { h.clickOn(*restingList()->buttons[1]->sprite()); });  // delete
    add("profile-delete", [] { return messageBox(TextBoxProfile::kDelete) != nullptr; },
        [](Hands& h) { h.clickOn(*messageBox(TextBoxProfile::kDelete)->buttons->choiceLabels[1]); });  // no
    add("", [] { return restingList() != nullptr; },
        [](Hands& h) { h.clickOn(*restingList()->buttons[3]->sprite()); });  // cancel

    // Options, help, credits and the top ten from the main menu.
    add("", [] { return idleMenu() != nullptr; }, [](Hands& h) { clickMenu(h, kOptions); });
    add("options", [] { return live<COptionsMenu>() != nullptr; },
        [](Hands& h) { h.clickOn(*live<COptionsMenu>()->cancelButton->sprite()); }, 60);
    add("", [] { return idleMenu() != nullptr; }, [](Hands& h) { clickMenu(h, kHelp); });
    add("help", [] { return live<Help>() != nullptr; },
        [](Hands& h) { h.clickOn(*live<Help>()->creditsButton->sprite()); });
    add("credits", [] {
        auto* c = live<CreditsScreen>();
        return c && c->phase == CreditsScreen::kShown;
    }, [](Hands& h) { h.clickOn(live<CreditsScreen>()->plate); });
    add("", [] { return idleMenu() != nullptr; }, [](Hands& h) { clickMenu(h, kHiScores); });
    add("top-ten", [] { return in(&Dispatcher::top10) && disp()->top10.table; },
        [](Hands& h) { h.clickOn(*disp()->top10.table->doneButton->sprite()); }, 40);

    // A new game: the comic, the first tutorial tip, the in-game menu with its
    // help and options, the pause key.
    add("", [] { return idleMenu() != nullptr; }, [](Hands& h) { clickMenu(h, kPlay); });
    add("comic", [] {
        auto* c = live<CComixScreen>();
        return c && c->phase == CComixScreen::kShown;
    }, [](Hands& h) { h.clickOn(*live<CComixScreen>()->okButton->sprite()); });
    add("tip-resume", [] { return shownTip(ToolTip::kResume) != nullptr; },
        [](Hands& h) { h.clickOn(*shownTip(ToolTip::kResume)->firstButton->sprite()); });
    add("", playing, [](Hands& h) { h.key(platform::Key::Escape); }, 40);
    add("in-game-menu", [] { return openGameMenu() != nullptr; }, [](Hands& h) { clickGameMenu(h, kGameHelp); });
    add("in-game-help", [] { return Menu::existing() && Menu::existing()->help; },
        [](Hands& h) { h.clickOn(*Menu::existing()->help->doneButton->sprite()); });
    add("", [] { return openGameMenu() != nullptr; }, [](Hands& h) { clickGameMenu(h, kGameOptions); });
    add("in-game-options", [] { return Menu::existing() && Menu::existing()->options; },
        [](Hands& h) { h.clickOn(*Menu::existing()->options->cancelButton->sprite()); }, 60);
    add("", [] { return openGameMenu() != nullptr; }, [](Hands& h) { clickGameMenu(h, kResume); });
    add("", playing, [](Hands& h) { h.key(platform::letterKey('P')); }, 20);
    add("pause", [] {
        auto* p = live<PauseScreen>();
        return p && p->phase == CAbstractScreen::kShown;
    }, [](Hands& h) { h.key(platform::letterKey('P')); });
    add("", playing, [](Hands& h) { h.key(platform::Key::Escape); }, 20);
    add("", [] { return openGameMenu() != nullptr; }, [](Hands& h) { clickGameMenu(h, kMainMenu); });

    // The saved game asks before a new one: new game, give it up, no tutorial.
    add("", [] { return idleMenu() != nullptr; }, [](Hands& h) { clickMenu(h, kPlay); });
    add("ask", [] {
        auto* a = live<AskScreen>();
        return a && a->phase == CAbstractScreen::kShown;
    }, [](Hands& h) { h.clickOn(*live<AskScreen>()->newButton->sprite()); });
    add("ask-give-up", [] { return question(AskScreen2::kGiveUpQuestion) != nullptr; },
        [](Hands& h) { h.clickOn(*question(AskScreen2::kGiveUpQuestion)->question->firstButton->sprite()); });
    add("ask-tutorial", [] { return question(AskScreen2::kTutorialQuestion) != nullptr; },
        [](Hands& h) { h.clickOn(*question(AskScreen2::kTutorialQuestion)->question->secondButton->sprite()); });
    add("", [] {
        auto* c = live<CComixScreen>();
        return c && c->phase == CComixScreen::kShown;
    }, [](Hands& h) { h.clickOn(*live<CComixScreen>()->okButton->sprite()); });
    // Out through the in-game menu's exit (a tip on the way is closed).
    add("", [] { return playing() || shownTip(ToolTip::kResume); }, [](Hands& h) {
        if (ToolTip* t = shownTip(ToolTip::kResume))
            h.clickOn(*t->firstButton->sprite());
        else
            h.key(platform::Key::Escape);
    });
    add("", [] { return openGameMenu() != nullptr || playing(); }, [](Hands& h) {
        if (openGameMenu())
            clickGameMenu(h, kGameExit);
        else
            h.key(platform::Key::Escape);
    });
    add("", [] { return openGameMenu() != nullptr; }, [](Hands& h) { clickGameMenu(h, kGameExit); });
}

bool Tour::tick() {
    shot_.clear();
    if (at_ >= steps_.size()) return false;
    Step& step = steps_[at_];
    if (shotTaken_) {
        // The picture is taken; now on to the next screen.
        step.act(hands_);
        shotTaken_ = false;
        ++at_;
        waited_ = readyFor_ = 0;
        return true;
    }
    if (!step.ready()) {
        readyFor_ = 0;
        // Tips that come up on the way are read and closed, as a player does.
        if (ToolTip* t = shownTip(ToolTip::kResume); t && t->firstButton && ++tipRead_ > 30) {
            hands_.clickOn(*t->firstButton->sprite());
            tipRead_ = 0;
        }
        if (++waited_ < kTimeout) return true;
        // Stuck: this screen and every pictured one after it are missing.
        for (size_t i = at_; i < steps_.size(); ++i)
            if (!steps_[i].name.empty()) {
                ++missing_;
                visited_.push_back({steps_[i].name, false});
                std::printf("tour: %s did not show\n", steps_[i].name.c_str());
            }
        at_ = steps_.size();
        return false;
    }
    if (++readyFor_ < step.settle) return true;
    if (!step.name.empty()) {
        shot_ = step.name;
        ++seen_;
        visited_.push_back({step.name, true});
        std::printf("tour: %s\n", step.name.c_str());
        std::fflush(stdout);
    }
    shotTaken_ = true;
    return true;
}

}  // namespace autoplay
