// The Lumarixfilters32 unit: zooms with fractional rectangles, colour filters, geometric filters
// and the process-wide random generator, all on 32-bit bitmaps.
#pragma once

#include <lumarix/filters32/zoom.h>
#include <lumarix/filters32/random.h>
#include <lumarix/filters32/color_filters.h>
#include <lumarix/filters32/geometric_filters.h>
