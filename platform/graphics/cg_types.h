#pragma once
// Core Graphics geometry: origin at the bottom-left, y up.

struct CGPoint {
    double x = 0;
    double y = 0;
};

struct CGSize {
    double width = 0;
    double height = 0;
};

struct CGRect {
    CGPoint origin;
    CGSize size;
};

inline CGRect CGRectMake(double x, double y, double w, double h) { return CGRect{{x, y}, {w, h}}; }
