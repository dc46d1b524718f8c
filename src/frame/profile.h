// Windows-style ini files ("private profiles") on a named file, with the
// behaviour the game's data was written against:
// - section and key names compare case-insensitively (ASCII);
// - blanks around names and values are dropped; a value enclosed in matching
//   single or double quotes loses them;
// - lines starting with ";" are comments; reads and writes use the first
//   section of a name and the first key of a name in it;
// - a missing file, section or key yields the caller's default;
// - a write changes only the lines it must and keeps every other byte of the
//   file (comments, order, unknown keys, CRLF or LF); new keys go after the
//   last non-blank line of their section, new sections at the end of the file;
// - every write replaces the file atomically, so a crash leaves the old or
//   the new file, never a mix.
// File names may use "\" as separator, as the data written for Windows does.
//
// Each file is parsed once and kept while it is unchanged on disk (its size,
// times and inode say so; a file changed in the last tenth of a second has its
// bytes compared too), and the layer's own writes update the kept copy: a
// read costs a look-up, not a parse. A file over kMaxProfileBytes is refused
// with a message: reads give the defaults and writes fail, so it is never
// cut short by a rewrite; a write that would grow a file past it fails too.
#pragma once

#include <cstddef>
#include <string>

constexpr size_t kMaxProfileBytes = size_t{4} << 20;

// The integer at the start of the value: optional sign, decimal digits or
// "0x" and hex digits; a value that does not start with a number gives 0,
// a missing key or an empty value the default. Overflow wraps as on Windows.
int profileGetInt(const std::string& file, const char* section, const char* key, int def);

// The value, cut to maxLen - 1 characters; the default (trailing blanks
// dropped, null taken as "") when the key is missing.
// A null key lists the section's key names, a null section every section
// name: each name ended by a zero character (the final zero of the Windows
// list is the string's own end); a list cut short ends as on Windows, with
// maxLen - 2 characters.
std::string profileGetString(const std::string& file, const char* section, const char* key, const char* def,
                             int maxLen = 32768);

// Sets a key, creating the file, section and key as needed. A null value
// deletes the key, a null key deletes the whole section. Refuses (false)
// names and values that would break the file's lines: line breaks anywhere,
// an empty key, a key with "=" or starting with "[" or ";".
bool profileWriteString(const std::string& file, const char* section, const char* key, const char* value);

// The section as "key=value" strings, each ended by a zero, the list ended by
// a second zero; comments and blank lines are left out, values come as they
// stand in the file (quotes kept). Returns the characters copied without the
// final zero; a list that does not fit is cut to size - 2 characters and ends
// with two zeros, returning size - 2.
int profileGetSection(const std::string& file, const char* section, char* buffer, int size);

// Replaces the section's content (from its header to its last non-blank line)
// with the zero-separated, double-zero-terminated "key=value" list in text;
// creates the section at the end of the file when missing. A null text
// deletes the section. Nothing else in the file changes.
bool profileWriteSection(const std::string& file, const char* section, const char* text);

// Adds to `file` every section and key of `from` that reads of `file` would
// not find, keeping every value, comment and line `file` already has: a new
// key goes to the end of its section (after the comment lines that precede
// it in `from`), a new section to the end of the file (with its comments).
// One atomic write, and none when nothing is missing. Returns the number of
// keys added, or -1 when either file cannot be read or the write fails
// (`file` is then unchanged).
int profileAddMissing(const std::string& file, const std::string& from);

// Brings a player's copy of a shipped file up to date by a three-way merge
// with `base`, the shipped file the copy was made or last merged from (empty:
// none known, so only what the copy lacks is added). For every key that
// reads of the copy see:
// - a value equal to base's is the shipped one, never changed by the player:
//   it takes the new shipped value, and the key goes when the new shipped
//   file has dropped it (with its section once nothing is left in it);
// - any other value, and any key base lacks, is the player's and stays.
// Then whatever the copy lacks is added as profileAddMissing adds it. One
// atomic write, none when nothing changes. Returns the number of keys
// changed, added or removed, or -1 when a file cannot be read or the write
// fails (the copy is then unchanged).
int profileMergeShipped(const std::string& file, const std::string& shipped, const std::string& base);

// How many keys of `other` reads of `file` see with the same value; -1 when
// either cannot be read.
int profileAgreement(const std::string& file, const std::string& other);

// Whether reads would take the file's content: it exists, can be read and is
// within kMaxProfileBytes. Otherwise why not, in words for a message.
bool profileReadable(const std::string& file, std::string* why);

// Drops every kept copy (tests that change files behind the layer's back in
// ways a signature cannot see).
void profileForgetCachedFiles();
