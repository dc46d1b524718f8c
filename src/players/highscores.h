// The table of the ten best scores, shared by all players and kept in
// [Top10] of the users file.
#pragma once

#include <array>
#include <string>

struct HighScoreEntry {
    int score = 0;
    std::string name;
};
using HighScoreTable = std::array<HighScoreEntry, 10>;

// The built-in table as a [Top10] section of the users file.
std::string defaultTopTenText();
// Reads the table; empty places take the built-in entries, which are then
// stored so the file always holds a full table.
HighScoreTable loadHighScores();
// False when the table did not reach the disk (the player is told once);
// while the demo's player plays, it is never written and nobody is told.
bool saveHighScores(const HighScoreTable& table);
// Inserts below every entry with the same score; true only when the score
// made it into the table and the table is on disk. Scores below 1 never do.
bool insertHighScore(HighScoreTable& table, int score, const std::string& name);
// Loads the table, inserts the score and stores it.
bool insertHighScore(const std::string& name, int score);
