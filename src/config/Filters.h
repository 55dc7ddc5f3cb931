// The matching rule of the filters: does a subject or a sender pass them?
#pragma once

#include <string>

#include "config/Accounts.h"

namespace vexil {

// True when no filter of slots 1..FilterCount matches text.  A filter without
// a blank matches where it occurs in text; one with blanks matches when each
// of its blank-separated words occurs, anywhere and in any order; an empty
// word (two blanks in a row, a blank at either end) occurs nowhere.  Only the
// letters A to Z are compared without regard to case; every other character,
// each byte of a UTF-8 sequence included, must be equal.
bool PassesFilters(const std::string& text, const TFilterTable& filters);

}  // namespace vexil
