#ifndef RELAXON_VIEWS_PROGRAMCLOCK_H
#define RELAXON_VIEWS_PROGRAMCLOCK_H

#include <functional>

// The time source of the echo-time animations: real time elapsed since the program
// started, in milliseconds, from a monotonic clock (changes of the wall clock do not
// make an animation jump).
double nowMs();

// Replaces the time source, so that an animation can be driven through chosen
// instants; an empty source restores the program's own clock.
void setClockSource(std::function<double()> source);

#endif
