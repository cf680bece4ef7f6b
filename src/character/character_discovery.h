#pragma once

#include <atomic>
#include <string>
#include <vector>

class CharacterAgent;
class MessageBoxService;

// Fills `files` with the names of the character files "*.acs" in `folder` (the agent's character
// folder), in directory order, without opening any of them. When the folder cannot be searched
// or holds no character file, `messageBox` shows the system's text for it, captioned "Error",
// and the result is false.
bool ListCharacterFiles(std::vector<std::string>& files, MessageBoxService* messageBox,
                        const std::string& folder);

// One entry per file of `files` whose display name the agent reads: the file name, "@", the
// display name in the program's code page. Names are read without loading or drawing any
// character; a file the agent refuses adds nothing. Once `stop` is set, the files not yet read
// are left out. Runs on any thread, since reading a name touches no loaded character.
std::vector<std::string> ReadCharacterEntries(CharacterAgent& agent,
                                              const std::vector<std::string>& files,
                                              const std::atomic<bool>* stop = nullptr);

// ListCharacterFiles, then ReadCharacterEntries into `list`; without an agent, or when the
// folder cannot be searched, the list stays empty.
void EnumerateCharacters(std::vector<std::string>& list, CharacterAgent* agent,
                         MessageBoxService* messageBox, const std::string& folder);
