#include <chrono>
#include <cstring>

#include "TavrinFeedParts.h"
#include "platform/dos.h"

// Feeds write their dates as RFC 822 (RSS) or RFC 3339 (Atom, Dublin Core), and many write them
// loosely: one-digit days and hours, full month names, two-digit years, missing seconds, zone names.
// Both readers are lenient about those and strict about the calendar.

namespace {

const char *const monthNames[12] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun", "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};

struct Civil {
    int year, month, day, hour, minute, second;
    int offsetMinutes; // east of UTC
};

bool IsDigit(char c)
{
    return c >= '0' && c <= '9';
}

bool IsLetter(char c)
{
    return (c | 0x20) >= 'a' && (c | 0x20) <= 'z';
}

char Upper(char c)
{
    return c >= 'a' && c <= 'z' ? char(c - 0x20) : c;
}

void SkipBlanks(const char *&p)
{
    while (*p == ' ' || *p == '\t' || *p == '\r' || *p == '\n')
        p++;
}

// Reads `min` to `max` digits; false when there are fewer than `min`.
bool Number(const char *&p, int min, int max, int *value)
{
    int n = 0, v = 0;
    while (n < max && IsDigit(p[n]))
        v = v * 10 + (p[n++] - '0');
    if (n < min)
        return false;
    p += n;
    *value = v;
    return true;
}

// A word of letters; its length.
int Word(const char *&p)
{
    int n = 0;
    while (IsLetter(p[n]))
        n++;
    p += n;
    return n;
}

bool Valid(const Civil &c)
{
    static const int days[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    if (c.month < 1 || c.month > 12 || c.day < 1 || c.hour > 23 || c.minute > 59 || c.second > 60)
        return false;
    const bool leap = (c.year % 4 == 0 && c.year % 100 != 0) || c.year % 400 == 0;
    return c.day <= days[c.month - 1] + (c.month == 2 && leap);
}

// Days from 1 January 1970 to a date of the proleptic Gregorian calendar.
int64_t DaysFromCivil(int year, int month, int day)
{
    using namespace std::chrono;
    return sys_days(std::chrono::year(year) / std::chrono::month(unsigned(month)) / std::chrono::day(unsigned(day)))
        .time_since_epoch()
        .count();
}

bool ToSeconds(Civil c, int64_t *seconds)
{
    if (!Valid(c))
        return false;
    // A leap second is shown as the second before it.
    if (c.second == 60)
        c.second = 59;
    *seconds = DaysFromCivil(c.year, c.month, c.day) * 86400 + c.hour * 3600 + c.minute * 60 + c.second
        - int64_t(c.offsetMinutes) * 60;
    return true;
}

// "+0100", "-05:00", "+01": minutes east of UTC.
bool NumericZone(const char *&p, int *minutes)
{
    if (*p != '+' && *p != '-')
        return false;
    const int sign = *p == '-' ? -1 : 1;
    const char *q = p + 1;
    int hours, mins = 0;
    if (!Number(q, 2, 2, &hours))
        return false;
    if (*q == ':')
        q++;
    if (IsDigit(*q) && !Number(q, 2, 2, &mins))
        return false;
    if (hours > 23 || mins > 59)
        return false;
    *minutes = sign * (hours * 60 + mins);
    p = q;
    return true;
}

// The zone names of RFC 822 and those feeds commonly write, in minutes east of UTC. RFC 2822 asks
// for the military letters to be read as UTC, as any unknown name is.
int NamedZone(const char *name, int length)
{
    static const struct {
        const char *name;
        int minutes;
    } zones[] = {
        {"UT", 0},
        {"UTC", 0},
        {"GMT", 0},
        {"Z", 0},
        {"EST", -300},
        {"EDT", -240},
        {"CST", -360},
        {"CDT", -300},
        {"MST", -420},
        {"MDT", -360},
        {"PST", -480},
        {"PDT", -420},
        {"AKST", -540},
        {"AKDT", -480},
        {"HST", -600},
        {"WET", 0},
        {"WEST", 60},
        {"BST", 60},
        {"CET", 60},
        {"CEST", 120},
        {"MET", 60},
        {"MEST", 120},
        {"EET", 120},
        {"EEST", 180},
        {"MSK", 180},
        {"IST", 330},
        {"JST", 540},
        {"AEST", 600},
        {"AEDT", 660},
        {"NZST", 720},
        {"NZDT", 780},
    };
    for (const auto &z : zones) {
        if (int(strlen(z.name)) != length)
            continue;
        int i = 0;
        while (i < length && Upper(name[i]) == z.name[i])
            i++;
        if (i == length)
            return z.minutes;
    }
    return 0;
}

int MonthOf(const char *name, int length)
{
    if (length < 3)
        return 0;
    for (int m = 0; m < 12; m++) {
        if (Upper(name[0]) == monthNames[m][0] && (name[1] | 0x20) == monthNames[m][1]
            && (name[2] | 0x20) == monthNames[m][2])
            return m + 1;
    }
    return 0;
}

// HH:MM[:SS[.fraction]] with an hour of at least `hourDigits` digits; the fraction is dropped.
bool TimeOfDay(const char *&p, int hourDigits, Civil &c)
{
    if (!Number(p, hourDigits, 2, &c.hour) || *p++ != ':' || !Number(p, 2, 2, &c.minute))
        return false;
    if (*p == ':') {
        p++;
        if (!Number(p, 2, 2, &c.second))
            return false;
        if (*p == '.' || *p == ',') {
            p++;
            while (IsDigit(*p))
                p++;
        }
    }
    return true;
}

// [Weekday[,]] D[D] Mon[th] YY[YY] H[H]:MM[:SS] [zone]
bool ParseRfc822(const char *p, int64_t *seconds)
{
    Civil c {};
    SkipBlanks(p);
    const char *word = p;
    if (Word(p) > 0) {
        if (MonthOf(word, int(p - word)))
            return false; // "Dec 5 2026" is no RFC 822 date
        if (*p == ',')
            p++;
        SkipBlanks(p);
    }
    if (!Number(p, 1, 2, &c.day))
        return false;
    SkipBlanks(p);
    if (*p == '-')
        p++;
    word = p;
    if (!(c.month = MonthOf(word, Word(p))))
        return false;
    if (*p == '-')
        p++;
    SkipBlanks(p);
    const char *yearStart = p;
    if (!Number(p, 2, 4, &c.year))
        return false;
    const int yearDigits = int(p - yearStart);
    if (yearDigits == 2)
        c.year += c.year < 50 ? 2000 : 1900;
    else if (yearDigits == 3)
        c.year += 1900;
    SkipBlanks(p);
    if (!TimeOfDay(p, 1, c))
        return false;
    SkipBlanks(p);
    if (!NumericZone(p, &c.offsetMinutes)) {
        word = p;
        c.offsetMinutes = NamedZone(word, Word(p));
    }
    return ToSeconds(c, seconds);
}

// YYYY[-MM[-DD[(T| )HH:MM[:SS[.frac]][Z|+HH:MM]]]]; a missing zone counts as UTC.
bool ParseRfc3339(const char *p, int64_t *seconds)
{
    Civil c {};
    c.month = c.day = 1;
    SkipBlanks(p);
    if (!Number(p, 4, 4, &c.year))
        return false;
    if (*p == '-') {
        p++;
        if (!Number(p, 2, 2, &c.month))
            return false;
        if (*p == '-') {
            p++;
            if (!Number(p, 2, 2, &c.day))
                return false;
            if ((*p == 'T' || *p == 't' || *p == ' ') && IsDigit(p[1])) {
                p++;
                if (!TimeOfDay(p, 2, c))
                    return false;
                if (*p == 'Z' || *p == 'z')
                    p++;
                else if (*p == '+' || *p == '-') {
                    if (!NumericZone(p, &c.offsetMinutes))
                        return false;
                }
            }
        }
    }
    SkipBlanks(p);
    return *p == '\0' && ToSeconds(c, seconds);
}

} // namespace

bool ParseFeedDate(CONST_STRPTR text, int64_t *seconds)
{
    return ParseRfc822(text, seconds) || ParseRfc3339(text, seconds);
}

void LocalDateText(int64_t seconds, char out[21])
{
    out[0] = '\0';
    dos::ClockData local;
    // Far beyond the years a timestamp can count; keeps the conversion itself in range.
    if (seconds < -4000000000LL || seconds > 8000000000LL || !dos::LocalClock(seconds, &local))
        return;
    if (local.year < 1978 || local.year > 2077)
        return;
    // "DD Mon YYYY HH:MM:SS"
    auto two = [out](int at, unsigned value) {
        out[at] = char('0' + value / 10 % 10);
        out[at + 1] = char('0' + value % 10);
    };
    memcpy(out, "DD Mon YYYY HH:MM:SS", 21);
    two(0, local.mday);
    memcpy(out + 3, monthNames[local.month - 1], 3);
    two(7, local.year / 100);
    two(9, local.year % 100);
    two(12, local.hour);
    two(15, local.min);
    two(18, local.sec);
}
