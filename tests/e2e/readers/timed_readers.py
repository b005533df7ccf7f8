#!/usr/bin/python3
"""SUMMARY, START, END of each event as python-icalendar and vobject (agreeing) read it, on ZONE's clock."""
import icalendar, sys, vobject, zoneinfo

zone = zoneinfo.ZoneInfo(sys.argv[1])
clock = lambda t: t.astimezone(zone).strftime('%Y-%m-%dT%H:%M') if hasattr(t, 'tzinfo') else t.isoformat()
lines = []
for path in sys.argv[2:]:
    text = open(path, encoding='utf-8').read()
    one = sorted((str(e['SUMMARY']), clock(e['DTSTART'].dt), clock(e['DTEND'].dt))
                 for e in icalendar.Calendar.from_ical(text).walk('VEVENT'))
    other = sorted((e.summary.value, clock(e.dtstart.value), clock(e.dtend.value))
                   for e in vobject.readOne(text).contents.get('vevent', []))
    assert one == other, (one, other)
    lines += ['\t'.join(line) for line in one]
print('\n'.join(sorted(lines)))
