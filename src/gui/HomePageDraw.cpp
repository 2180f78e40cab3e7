#include "gui/HomePageDraw.h"

#include <algorithm>
#include <cmath>
#include <random>

int homePageDraw(int secondsSinceMidnight)
{
    std::mt19937 generator(static_cast<std::mt19937::result_type>(secondsSinceMidnight));
    std::uniform_real_distribution<double> unit(0.0, 1.0);
    const double r = unit(generator);
    // Some standard libraries can round r up to exactly 1; keep n within 1..100 all the same.
    return std::clamp(static_cast<int>(std::floor(r * 100.0)) + 1, 1, 100);
}
