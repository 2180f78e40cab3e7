// HomePageDraw: the one-in-a-hundred draw that decides whether start-up opens the
// maker's home page.
#pragma once

// The number drawn at start-up, 1 to 100, from a generator seeded with the time of day in
// whole seconds since midnight. The same seed always gives the same number.
int homePageDraw(int secondsSinceMidnight);

// The number that opens the home page.
inline constexpr int HomePageNumber = 7;
