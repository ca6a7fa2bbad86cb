#pragma once

// File names as the command line prints them: a name read from a list may
// hold control characters (a carriage return from a list written on
// another system, say), which a terminal would act on instead of showing.
// They are shown escaped, as \r, \n, \t or \xHH.

#include <string>
#include <vector>

std::string EscapeControls(const std::string& name);

// `message` with every occurrence of each of `names` escaped; the rest of
// the message (line breaks between its lines) as it is.
std::string WithNamesShown(std::string message, const std::vector<std::string>& names);
