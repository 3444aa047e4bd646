// A point with real coordinates, for positions between pixels.
#pragma once

struct PointD {
    double x;
    double y;
};
