#pragma once
// The keys of starred phone shows are "EVENT-ARTIST", the artist part in the name form of the day
// they were starred. Stars made before names of every script kept their letters carry the older,
// ASCII-only form; these are brought to today's form so the app finds them again.
#include "service/sql_store.h"

namespace vxs {

// Rewrites every star keyed by the older form of its own artist text to today's form; a star keyed
// otherwise (its text cut), or whose new key another star of the account already holds, is left.
// Returns how many were rewritten.
long long rekeyPhoneStars(SqlConnection& c);

} // namespace vxs
