#pragma once
// A show copied into a new record for another list or another thread.
#include "plugin/model/show_list.h"

// A new show with the texts, the date and the ticket mark of show: what every copy keeps. Its
// choice, identity and labels are the caller's to carry or not.
SHOWENTRY* newShowLike(const SHOWENTRY& show);
