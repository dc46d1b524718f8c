// The level backgrounds: their names (the pictures "fon/<name>_back",
// "_front" and "_gold01".."_gold05" are made from them) and the gold
// rewards each one hides. One table for the game, the picture generator,
// the demo tools and the tests; it depends on nothing.
#pragma once

constexpr int kBackgrounds = 12;
constexpr int kMaxGold = 5;

inline constexpr const char* kBackgroundNames[kBackgrounds] = {
    "first", "second", "01", "02", "03", "04", "05", "last", "start", "new01", "new02", "title"};

// Gold pictures per background. The reward draws one of them at random, so
// this count, not the list of places below, decides which exist.
inline constexpr int kGoldCount[kBackgrounds] = {5, 4, 3, 3, 4, 4, 4, 2, 3, 1, 4, 0};

// Top-left corner of each gold picture, in screen pixels.
struct GoldPlace {
    int x = 0, y = 0;
};
inline constexpr GoldPlace kGoldPlaces[kBackgrounds][kMaxGold] = {
    {{464, 385}, {508, 365}, {201, 282}, {136, 351}, {228, 430}},
    {{149, 377}, {244, 328}, {465, 304}, {518, 358}},
    {{135, 310}, {410, 438}, {444, 404}},
    {{359, 355}, {451, 355}, {413, 400}},
    {{175, 179}, {350, 265}, {431, 167}, {473, 262}},
    {{93, 238}, {362, 295}, {660, 178}, {96, 388}},
    {{107, 303}, {314, 214}, {470, 378}, {534, 288}},
    {{175, 389}, {419, 371}},
    {{178, 191}, {332, 288}, {404, 216}},
    {{215, 410}},
    {{150, 200}, {184, 164}, {321, 402}, {484, 325}},
    {},
};
