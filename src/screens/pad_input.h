// Play without a mouse. A game controller, or the keyboard alone, drives the
// very mouse zones and cannon the mouse drives: it moves the pointer and
// presses its buttons through the event hooks, so every screen answers it
// as it answers the mouse and none of them knows the difference.
//
// In play (the cannon aims): the stick, the d-pad, the arrows or A/D slide
// the cannon; A, the right trigger or Space charge and shoot as the left
// button does; B, X, Ctrl or S swap as the right button does; Start or Back
// is Escape. Everywhere else a focus sits on one zone that answers clicks:
// the d-pad, the stick or the arrows move it to the nearest such zone in
// their direction (the pointer goes there, so the zone shows its hover
// look), A or Enter click it, B is Escape, and left and right move a
// slider. In a name field the d-pad picks letters (up and down through the
// alphabet, right for the next letter, left to rub one out, A to confirm),
// and B swaps the letters for the dialog's buttons and back. The picture
// cursor hides while the pad or the keys point, and the mouse brings it back.
#pragma once

#include <vector>

#include "frame/events.h"

struct MouseZone;

void installPadInput();
void uninstallPadInput();

// The event hook (priority 0x80C0: after the display keys and the camera,
// before the input translator) and the per-step part (an idle hook after
// the frame step, so the clicks it made have been dispatched).
int padEventHook(const Event& e);
int padIdleHook();

// Whether the cannon is being aimed: the pad slides it rather than moving a
// focus.
bool padPlayMode();
// The zone the focus is on; null when none (the mouse is in use, or no zone
// answers clicks).
const MouseZone* padFocus();
// The zones the focus may go to: enabled, answering clicks, reachable by a
// click at their middle, and not a backdrop the size of half the frame
// (unless there is nothing else, or it is the play field's).
std::vector<const MouseZone*> focusCandidates();
// The first candidate a click at (x, y) would reach; null when none.
const MouseZone* focusCandidateAt(int x, int y);
// The focus rule: from `from` (a zone, or the point (x, y) when null) the
// nearest candidate in direction (dx, dy), one of them 0 and the other -1
// or 1. A candidate whose middle lies beyond the focus that way counts the
// gap to it that way plus three times the gap sideways (none when the two
// overlap side by side, as one column's or one row's entries do); the
// lowest count wins, the nearer middle between equals. A slider counts as
// its whole track. Null when nothing lies that way.
const MouseZone* nextFocus(const MouseZone* from, int x, int y, int dx, int dy);

// For test fixtures: forget every state (the hooks stay as they are).
void resetPadInputForTests();
