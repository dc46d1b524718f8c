// Report numbers that travel from the game and the screens up to the screen
// dispatcher (the `msg` of onNotify), defined once for every sender and the
// receiver.
#pragma once

namespace report {
enum : int {
    OpenGameMenu = 1001,    // heads-up bar: its menu button (or Escape)
    Help = 1004,            // main menu / in-game menu: help
    GameMenuClosed = 1005,  // in-game menu closed by resume or restart
    Options = 1006,         // main menu / in-game menu: options
    Exit = 1007,            // main menu / heads-up bar / in-game menu: exit
    DisableMenu = 1010,     // the game disables the bar's menu button
    EnableMenu = 1011,      // ... and enables it again
    OptionsClosed = 1013,   // options dialog: OK or Cancel
    Play = 1014,            // main menu: play
    Credits = 1016,         // help screen: credits
    HighScores = 1017,      // main menu: high scores
    MainMenu = 1018,        // in-game menu or the game: back to the main menu
    Restart = 1019,         // in-game menu: restart the level
    PauseShown = 1020,      // pause screen fully faded in
    PauseGone = 1021,       // pause screen clicked away and faded out
    ChangePlayer = 1022,    // main menu: "MM_Click"
    TipClosed = 1023,       // a tip box was closed
    Minimise = 1024,        // heads-up bar: minimise the window
    Tip = 1025,             // show tip number `a` (first kind)
    TipSecond = 1026,       // show tip number `a` (second kind)
    GameEnded = 1027,       // the game has ended: high scores
};
}  // namespace report
