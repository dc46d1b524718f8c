#include "screens/profile_screen.h"

#include "res/texts.h"
#include "screens/pictures.h"
#include "ui/buttons.h"

namespace profile {
const Colour4 kNormalColour{1.0f, 1.0f, 191.0f / 255.0f, 1.0f};
const Colour4 kHighlightColour{250.0f / 255.0f, 175.0f / 255.0f, 19.0f / 255.0f, 1.0f};
}  // namespace profile

namespace {

using namespace profile;

constexpr int kBackdropLayer = 99990;
constexpr int kTorchLayer = 99991;
constexpr int kPanelLayer = 99999;
// The inside of a dialog's frame lies over the screen's backdrop; under it,
// it would leave the text on the busy sky.
constexpr int kDialogInsideLayer = 99992;
constexpr int kTextLayer = 100000;
constexpr int kSlideStep = 20;  // pixels per tick
constexpr int kRestY = 180;
constexpr int kStartX = 400, kStartY = -250;
// Zone of a dialog's choices: enter, leave, release, opaque.
constexpr int kChoiceZone = ZE_Enter | ZE_Leave | ZE_LeftUp | ZF_Opaque;

// Children's report ids.
constexpr int kIdList = 4;
constexpr int kIdNewDialog = 5, kIdRenameDialog = 6, kIdDeleteBox = 7, kIdTooManyBox = 8, kIdTakenBox = 9;

PicturePack* font() { return pictureByName("font1"); }

void setUpLabel(TextLabel& l, const std::string& text) {
    l.setLayer(kTextLayer);
    l.setAlign(3);
    l.setFont(font());
    l.setText(text);
    applyColour(l, kNormalColour);
}

// The button row of a dialog: choice 1 is OK (or Yes), choice 2 Cancel (No).
ButtonBox* choices(Actor* owner, const std::vector<std::string>& items) {
    auto* box = new ButtonBox(font(), pictureByName("small_ramka"), pictureByName("transparent"), items, {}, 0, 0,
                              kTextLayer, -1, 0, false, kChoiceZone, kNormalColour, kHighlightColour);
    box->setOwner(owner, 0);
    return box;
}

// One step of a dialog's slide; true once it has gone off the top.
bool slideStep(int32_t& slide, int32_t& y) {
    if (slide == 1) {
        y += kSlideStep;
        if (y >= kRestY) slide = 0;
    } else if (slide == 2) {
        y -= kSlideStep;
        return y < kStartY;
    }
    return false;
}

struct MessageLayout {
    const char* keys[3];
    int lineCount;
    const char* buttons[2];
    int buttonCount;
    int columns, rows;
    int buttonRow;
};

const MessageLayout& layoutOf(int mode) {
    static const MessageLayout kDelete{{"PROFILE_AREYOUSURE_STRING_1", "PROFILE_AREYOUSURE_STRING_2",
                                        "PROFILE_AREYOUSURE_STRING_3"},
                                       3,
                                       {"PROFILE_YES", "PROFILE_NO"},
                                       2,
                                       96,
                                       24,
                                       110};
    static const MessageLayout kTooMany{{"PROFILE_TOOMANYUSERS"}, 1, {"PROFILE_OK"}, 1, 60, 18, 90};
    static const MessageLayout kTaken{{"PROFILE_USEREXISTS_STRING_1", "PROFILE_USEREXISTS_STRING_2"},
                                      2,
                                      {"PROFILE_OK"},
                                      1,
                                      60,
                                      18,
                                      90};
    return mode == TextBoxProfile::kDelete ? kDelete : mode == TextBoxProfile::kTooMany ? kTooMany : kTaken;
}

}  // namespace

// ---------------------------------------------------------------- the list

ListBoxUser::ListBoxUser() : Group(this, kMoverId), players(listPlayers()) {
    std::vector<std::string> names;
    for (const PlayerEntry& p : players) names.push_back(p.name);
    const int first = names.empty() ? -1 : std::min(player::LastActiveUser(), static_cast<int>(names.size()) - 1);
    panel.setPicture(pictureByName("list_users"), 0);
    panel.setLayer(kPanelLayer);
    panel.setAlpha(255);
    listBox = new ListBox(font(), names, kTextLayer, kX + 95, kY + 78, kNormalColour, kHighlightColour, first, "", 0);
    listBox->setOwner(this, 0);
    listBox->setItemsAlign(0);
    newLabel = new ButtonLabel(font(), getText("PROFILE_NEWUSER"), kTextLayer, kX + 95, kY + 50, kNormalColour,
                               kHighlightColour, 0);
    newLabel->setOwner(this, 5);
    static const char* const kNames[4] = {"rename", "delete", "ok", "cancel"};
    static const int kAt[4][2] = {{41, 332}, {206, 332}, {41, 408}, {206, 408}};
    groupSprite->addChild(&panel, 0, 0);
    groupSprite->addChild(listBox->groupSprite.get(), 95, 78);
    groupSprite->addChild(&newLabel->label, 95, 50);
    for (int i = 0; i < 4; ++i) {
        buttons[i] = new Button(profileButtonPicture(kNames[i]), kTextLayer);
        buttons[i]->setOwner(this, i + 1);
        buttons[i]->setHoverSound("button_point");
        buttons[i]->setClickSound("button_click");
        groupSprite->addChild(buttons[i]->sprite(), kAt[i][0], kAt[i][1]);
    }
    const int w = panel.width(), h = panel.height();
    bounds = Rect{kX, kY, kX + w - 1, kY + h - 1};
    groupSprite->setPosition(kX, kY);
}

ListBoxUser::~ListBoxUser() {
    listBox->kill();
    newLabel->kill();
    for (Button* b : buttons) b->kill();
}

int ListBoxUser::onNotify(int id, int, int a, int b) {
    if (id == kMoverId) {
        if (a == kLiftOutMsg) notifyOwner(0, 0, b);
        return 1;
    }
    if (a != 4 || leaving) return 1;
    static const int kCommands[6] = {0, Rename, Delete, Confirm, Cancel, NewPlayer};
    if (id < 1 || id > 5) return 1;
    // One choice per visit: a second click while the list leaves would open
    // a second dialog.
    leaving = true;
    liftOut(kCommands[id]);
    return 1;
}

void ListBoxUser::comeBack() {
    leaving = false;
    dropIn();
}

const std::string& ListBoxUser::selectedName() const {
    static const std::string kNone;
    const int s = listBox->selected;
    return s >= 0 && s < static_cast<int>(players.size()) ? players[static_cast<size_t>(s)].name : kNone;
}

bool ListBoxUser::hasName(const std::string& name) const {
    for (const PlayerEntry& p : players)
        if (p.name == name) return true;  // byte for byte: case counts
    return false;
}

bool ListBoxUser::addPlayer(const std::string& name) {
    if (hasName(name)) return false;
    listBox->addItem(name, kTextLayer);
    listBox->setItemsAlign(0);
    players.push_back(PlayerEntry{name, -1, 0});
    return true;
}

bool ListBoxUser::renameSelected(const std::string& name) {
    const int s = listBox->selected;
    if (hasName(name) || s < 0 || s >= static_cast<int>(players.size())) return false;
    players[static_cast<size_t>(s)].name = name;
    listBox->setItemText(s, name);
    return true;
}

void ListBoxUser::deleteSelected() {
    const int s = listBox->selected;
    if (s < 0 || s >= static_cast<int>(players.size())) return;
    players.erase(players.begin() + s);
    listBox->removeSelected();
}

// ---------------------------------------------------------------- name dialog

EditBoxProfile::EditBoxProfile(const std::string& title, int dialogMode, ListBoxUser* owningList)
    : mode(dialogMode),
      list(owningList),
      field(new EditBox(font(), dialogMode == kRename && owningList ? owningList->selectedName() : std::string(),
                        kStartX, kStartY + 90, kTextLayer, kNameLength, 3)),
      buttons(choices(this, dialogMode == kFirst ? std::vector<std::string>{getText("PROFILE_OK")}
                                                 : std::vector<std::string>{getText("PROFILE_OK"),
                                                                            getText("PROFILE_CANCEL")})),
      frame(kStartX - 185, kStartY, 72, 28) {
    field->setOwner(this, 1);
    frame.setLayers(DialogFrame::kPieceLayer, kDialogInsideLayer);
    setUpLabel(titleLabel, title);
    setUpLabel(promptLabel, getText("PROFILE_ENTERNAME"));
    place();
}

EditBoxProfile::~EditBoxProfile() {
    field->releaseFocus();
    field->kill();
    buttons->kill();
}

void EditBoxProfile::place() {
    titleLabel.setPosition(originX, originY + 50);
    promptLabel.setPosition(originX, originY + 70);
    field->groupSprite->setPosition(originX, originY + 90);
    buttons->groupSprite->setPosition(originX, originY + 120);
    frame.moveTo(originX - 185, originY);
}

void EditBoxProfile::update() {
    const bool gone = slideStep(slide, originY);
    place();
    if (!gone) return;
    field->releaseFocus();
    notifyOwner(0, 0, result);
    kill();
}

void EditBoxProfile::decide(bool ok) {
    const std::string& name = typedName();
    const bool empty = name.empty();
    if (!list) {
        // The first player ever: only a name leads on.
        result = empty ? FirstPlayer : Confirm;
    } else if (!ok) {
        result = BackToList;
    } else if (empty) {
        result = list->players.empty() ? FirstPlayer : mode == kRename ? Rename : NewPlayer;
    } else if (mode == kRename) {
        result = list->renameSelected(name) ? BackToList : NameTakenRename;
    } else {
        result = list->addPlayer(name) ? Confirm : NameTakenNew;
    }
}

int EditBoxProfile::onNotify(int id, int, int a, int b) {
    // Once the dialog has decided, further answers (a double Enter or a
    // double click) must not add or rename a second time.
    if (slide == 2) return 1;
    if (id == 1 && a == EditBox::kEnterMsg) {
        decide(true);
    } else if (id == 0 && a == 4 && (b == 1 || b == 2)) {
        decide(b == 1);
    } else {
        return 1;
    }
    field->releaseFocus();
    slide = 2;
    return 1;
}

// ---------------------------------------------------------------- message dialog

TextBoxProfile::TextBoxProfile(int dialogMode, ListBoxUser* owningList)
    : mode(dialogMode),
      list(owningList),
      buttons(nullptr),
      frame(kStartX, kStartY, layoutOf(dialogMode).columns, layoutOf(dialogMode).rows) {
    frame.setLayers(DialogFrame::kPieceLayer, kDialogInsideLayer);
    const MessageLayout& l = layoutOf(mode);
    for (int i = 0; i < l.lineCount; ++i) {
        auto label = std::make_unique<TextLabel>();
        setUpLabel(*label, getText(l.keys[i]));
        lines.push_back(std::move(label));
    }
    std::vector<std::string> items;
    for (int i = 0; i < l.buttonCount; ++i) items.push_back(getText(l.buttons[i]));
    buttons = choices(this, items);
    place();
}

TextBoxProfile::~TextBoxProfile() { buttons->kill(); }

void TextBoxProfile::place() {
    for (size_t i = 0; i < lines.size(); ++i) lines[i]->setPosition(originX, originY + 45 + 20 * static_cast<int>(i));
    buttons->groupSprite->setPosition(originX, originY + layoutOf(mode).buttonRow);
    frame.moveTo(originX - frame.width() / 2, originY);
}

void TextBoxProfile::update() {
    const bool gone = slideStep(slide, originY);
    place();
    if (!gone) return;
    notifyOwner(0, 0, result);
    kill();
}

int TextBoxProfile::onNotify(int id, int, int a, int b) {
    if (slide == 2 || id != 0 || a != 4) return 1;
    switch (mode) {
    case kDelete:
        result = BackToList;
        if (b == 1 && list) {
            list->deleteSelected();
            if (list->players.empty()) result = FirstPlayer;
        }
        break;
    case kTooMany: result = BackToList; break;
    case kTakenNew: result = NewPlayer; break;
    default: result = Rename; break;
    }
    slide = 2;
    return 1;
}

// ---------------------------------------------------------------- the screen

UserName::UserName() : torches(kTorchLayer) {
    backdrop.setPicture(pictureByName("_mm_bkg"), 0);
    backdrop.setLayer(kBackdropLayer);
    backdrop.setPosition(0, 0);
}

UserName::~UserName() {
    if (list) list->kill();
    if (dialog) dialog->kill();
    if (message) message->kill();
}

void UserName::start() {
    if (player::CountUser() != 0) {
        list = new ListBoxUser;
        list->setOwner(this, kIdList);
        list->dropIn();
    } else {
        carryOut(FirstPlayer);
    }
}

int UserName::onNotify(int id, int, int, int b) {
    if (dead) return 1;
    // The dialog that reports is done with; it kills itself.
    if (id == kIdNewDialog || id == kIdRenameDialog) {
        if (b == Confirm && dialog && !list) pendingName_ = dialog->typedName();
        dialog = nullptr;
    }
    if (id >= kIdDeleteBox && id <= kIdTakenBox) message = nullptr;
    if (b >= NewPlayer && b <= NameTakenRename) carryOut(b);
    return 1;
}

void UserName::carryOut(int command) {
    auto openDialog = [this](const char* titleKey, int mode, int id) {
        dialog = new EditBoxProfile(getText(titleKey), mode, list);
        dialog->setOwner(this, id);
    };
    auto openMessage = [this](int mode, int id) {
        message = new TextBoxProfile(mode, list);
        message->setOwner(this, id);
    };
    switch (command) {
    case NewPlayer:
        if (!list || static_cast<int>(list->players.size()) < kMaxPlayers)
            openDialog("PROFILE_NEWUSER", EditBoxProfile::kNew, kIdNewDialog);
        else
            openMessage(TextBoxProfile::kTooMany, kIdTooManyBox);
        break;
    case FirstPlayer: openDialog("PROFILE_NEWUSER", EditBoxProfile::kFirst, kIdNewDialog); break;
    case Rename: openDialog("PROFILE_RENAMEUSER", EditBoxProfile::kRename, kIdRenameDialog); break;
    case Delete: openMessage(TextBoxProfile::kDelete, kIdDeleteBox); break;
    case Cancel: leave(); break;
    case Confirm:
        // A failed save is told to the player by the store itself.
        if (list)
            commitPlayers(list->players, list->selection());
        else
            commitPlayers({PlayerEntry{pendingName_, -1, 0}}, 0);
        leave();
        break;
    case BackToList:
        if (list) list->comeBack();
        break;
    case NameTakenNew: openMessage(TextBoxProfile::kTakenNew, kIdTakenBox); break;
    case NameTakenRename: openMessage(TextBoxProfile::kTakenRename, kIdTakenBox); break;
    default: break;
    }
}

void UserName::leave() {
    torches.stop();
    notifyOwner(0, 0, 0);
    kill();
}
