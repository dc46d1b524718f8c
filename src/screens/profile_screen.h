// The profile screen: choose the active player, create, rename and delete
// players. It edits a copy of the player list and stores it only when the
// player confirms (creating a player confirms at once). The list slides away
// before a dialog comes down, and slides back after it.
//
// Every dialog and the list report a command in the last value of onNotify
// (0, 0, command); UserName carries it out.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "players/players.h"
#include "res/text_label.h"
#include "scene/actor.h"
#include "scene/sprite.h"
#include "screens/dialog_frame.h"
#include "screens/torches.h"
#include "ui/boxes.h"

class Button;

namespace profile {
enum Command : int {
    NewPlayer = 1000,
    FirstPlayer = 1001,
    Rename = 1002,
    Delete = 1003,
    Cancel = 1004,
    Confirm = 1005,
    BackToList = 1006,
    NameTakenNew = 1007,
    NameTakenRename = 1008,
};
extern const Colour4 kNormalColour;       // pale yellow
extern const Colour4 kHighlightColour;    // orange
constexpr int kNameLength = 10;
}  // namespace profile

// The player list on its panel, with the new-player label and four buttons.
class ListBoxUser : public Actor, public Group {
public:
    static constexpr int kX = 213, kY = 65;
    static constexpr int kMoverId = 6;

    ListBoxUser();
    ~ListBoxUser() override;
    int onNotify(int id, int msg, int a, int b) override;

    // False (nothing changes) when a player has exactly this name.
    bool addPlayer(const std::string& name);
    bool renameSelected(const std::string& name);
    void deleteSelected();
    // Slides in again after a dialog.
    void comeBack();

    int selection() const { return listBox->selected; }
    const std::string& selectedName() const;
    bool hasName(const std::string& name) const;

    PckSprite panel;
    std::vector<PlayerEntry> players;
    ListBox* listBox;          // owned
    ButtonLabel* newLabel;     // owned
    Button* buttons[4] = {};   // rename, delete, ok, cancel; owned
    bool leaving = false;      // a command was chosen: the list is on its way out
};

// A dialog with a name field: rename (mode 0), new player (1), first player
// (2, OK only).
class EditBoxProfile : public Actor {
public:
    enum Mode { kRename = 0, kNew = 1, kFirst = 2 };

    EditBoxProfile(const std::string& title, int mode, ListBoxUser* list);
    ~EditBoxProfile() override;
    void update() override;
    int onNotify(int id, int msg, int a, int b) override;

    // The name as typed (kept after the dialog has decided).
    const std::string& typedName() const { return field->text; }

    int32_t mode;
    int32_t slide = 1;  // 0 still, 1 coming in, 2 going out
    int32_t result = 0;
    int32_t originX = 400, originY = -250;
    ListBoxUser* list;  // not owned; null before the first player exists
    TextLabel titleLabel, promptLabel;
    EditBox* field;       // owned
    ButtonBox* buttons;   // owned
    DialogFrame frame;

private:
    void decide(bool ok);
    void place();
};

// A message dialog: delete question (mode 1), too many players (2), name
// taken after "new" (3) or after "rename" (4).
class TextBoxProfile : public Actor {
public:
    enum Mode { kDelete = 1, kTooMany = 2, kTakenNew = 3, kTakenRename = 4 };

    TextBoxProfile(int mode, ListBoxUser* list);
    ~TextBoxProfile() override;
    void update() override;
    int onNotify(int id, int msg, int a, int b) override;

    int32_t mode;
    int32_t slide = 1;
    int32_t result = 0;
    int32_t originX = 400, originY = -250;
    ListBoxUser* list;  // not owned
    std::vector<std::unique_ptr<TextLabel>> lines;
    ButtonBox* buttons;  // owned
    DialogFrame frame;

private:
    void place();
};

// The screen. Reports (0, 0, 0) to its owner when the player leaves it.
class UserName : public Actor {
public:
    UserName();
    ~UserName() override;
    // Shows the list, or asks for the first player when nobody is stored.
    void start();
    int onNotify(int id, int msg, int a, int b) override;
    void carryOut(int command);

    PckSprite backdrop;
    Torches torches;
    ListBoxUser* list = nullptr;        // owned
    EditBoxProfile* dialog = nullptr;   // owned while it runs
    TextBoxProfile* message = nullptr;  // owned while it runs

private:
    void leave();
    std::string pendingName_;  // the first player's name, from its dialog
};
