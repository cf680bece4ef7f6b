#pragma once

#include <string>

// Replaces `header`, a copy of a decoded lesson's header line, with the HTML of the section
// drop-down list ("Select1") and its "Goto" button, marking section `selected` as chosen.
//
// The header lists sections as "#<n><TITLE>@<SKIP>" for n = 1, 2, 3, ..., closed by a final "#".
// Section n is found at the first "#<n>" of what is left after section n - 1, so "#1" also matches
// the start of "#10"; the list ends at the first section whose marker is missing or that has no
// "#" after it. Titles are inserted without escaping; a title without "@" is taken whole.
void BuildSectionSelector(std::string& header, int selected);
