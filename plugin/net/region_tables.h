#pragma once
// Region name to region code: a typed state, province or country becomes the short code that
// the web service wants. Each function has its own table; they agree on the US states only.

// With the search region table (concert and album release searches). On a buffer of at least
// 256 bytes: 0 and the code in upper case, or -1 and the name lower-cased and stripped to
// letters and digits.
int stateAbbrev_generic(char* region);
// The same with the location region table (geographic look-up, IP location, place comparison).
int latLongStateAbbrev(char* region);

// Either table knows the typed region (by name or by code).
bool regionKnown(const char* region);
// What a user who typed a region neither table knows is told: the tables name countries, not
// the regions inside them, outside the US and Canada.
extern const char* const kUnknownRegionAdvice;
// Whether an upper-case code is a US state's or a Canadian province's: other countries' places
// are told by their own subdivision codes, which the tables do not hold.
bool isStateOrProvinceCode(const char* code);
