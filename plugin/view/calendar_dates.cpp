// The calendar's date arithmetic and the conversion from pane rectangles (y down) to drawing
// rectangles (y up). Leap years are the years divisible by 4, as everywhere in the calendar.
#include "plugin/view/cal_vis.h"

int getDayOfTheWeek(int day, int month, int year) {
    int m = month - 2;
    if (m <= 0) {
        m = month + 10;
        year -= 1;
    }
    const int c = year / 100;
    const int y = year - 100 * c;
    int w = (day + (13 * m - 1) / 5 + y + y / 4 + c / 4 - 2 * c) % 7;
    if (w < 0) w += 7;
    return w;
}

int monthGridWeeks(int month, int year) {
    if (month < 1 || month > 12) return 5;
    int last = 28, m = month, y = year;
    for (int d = 28;;) {
        incrementDay(&d, &m, &y);
        if (m != month) break;
        last = d;
    }
    return getDayOfTheWeek(1, month, year) + last > 35 ? 6 : 5;
}

namespace {
bool leapYear(int year) {
    return year % 4 == 0;
}

void firstOfNextMonth(int* day, int* month, int* year) {
    *day = 1;
    if (*month == 12) {
        *month = 1;
        ++*year;
    } else {
        ++*month;
    }
}
} // namespace

void incrementDay(int* day, int* month, int* year) {
    if (!day || !month || !year) return;
    if (*day < 28) {
        ++*day;
        return;
    }
    switch (*month) {
    case 4:
    case 6:
    case 9:
    case 11:
        if (*day >= 30)
            firstOfNextMonth(day, month, year);
        else
            ++*day;
        break;
    case 1:
    case 3:
    case 5:
    case 7:
    case 8:
    case 10:
    case 12:
        if (*day >= 31)
            firstOfNextMonth(day, month, year);
        else
            ++*day;
        break;
    case 2:
        if (*day == 28 && leapYear(*year))
            *day = 29;
        else
            firstOfNextMonth(day, month, year);
        break;
    default: // not a month: the day just counts on
        ++*day;
        break;
    }
}

void decrementDay(int* day, int* month, int* year) {
    if (!day || !month || !year) return;
    if (*day > 1) {
        --*day;
        return;
    }
    switch (*month) {
    case 2:
    case 4:
    case 6:
    case 8:
    case 9:
    case 11:
        *day = 31;
        --*month;
        break;
    case 5:
    case 7:
    case 10:
    case 12:
        *day = 30;
        --*month;
        break;
    case 1:
        *day = 31;
        *month = 12;
        --*year;
        break;
    case 3:
        *day = leapYear(*year) ? 29 : 28;
        *month = 2;
        break;
    default: // not a month: the day just counts down
        --*day;
        break;
    }
}

CGRect convertRect(Rect r, const Rect* pane) {
    const int paneHeight = pane ? pane->bottom - pane->top : 0;
    return CGRectMake(r.left, paneHeight - r.bottom, r.right - r.left - 1, r.bottom - r.top - 1);
}

CGRect convertStrokeRect(Rect r, const Rect* pane) {
    return convertRect(r, pane);
}
