#pragma once

// Brings an easting into [west, west + width] (both ends inclusive) by adding
// or subtracting whole planet widths, one step at a time, exactly as a
// step-by-step loop would for eastings within a few planet widths of the
// range. Eastings farther away are first brought near with fmod, so that
// huge eastings return at once; non-finite eastings, and widths that are
// not finite and positive, leave the easting unchanged.
double RMWrapEasting(double easting, double west, double width);
