#pragma once

#include <string>
#include <vector>

class CharacterAgent;
class MessageBoxService;

// Fills `list` with one entry per character file "*.acs" in `folder` (the agent's character
// folder), in directory order: the file name, "@", the display name in the program's code page.
// Names are read without loading or drawing any character; a file the agent refuses adds nothing.
// When the folder cannot be searched or holds no character file, `messageBox` shows the system's
// text for it, captioned "Error", and the list stays empty; without an agent the list stays empty
// silently.
void EnumerateCharacters(std::vector<std::string>& list, CharacterAgent* agent,
                         MessageBoxService* messageBox, const std::string& folder);
