#!/usr/bin/python3
"""Reads iCalendar files with python-icalendar and vobject and prints one line per event:
"SUMMARY<TAB>START<TAB>END", a timed event's start and end as UTC times ("2027-03-06T04:30Z"), an
all-day event's as dates. Fails when the two readers differ or one refuses a file."""
import datetime, sys

import icalendar
import vobject


def moment(value):
    if isinstance(value, datetime.datetime):
        assert value.tzinfo is not None, 'a timed event without its zone: %r' % value
        return value.astimezone(datetime.timezone.utc).strftime('%Y-%m-%dT%H:%MZ')
    return value.isoformat()


for path in sys.argv[1:]:
    text = open(path, encoding='utf-8').read()
    by_icalendar = sorted((str(e['SUMMARY']), moment(e['DTSTART'].dt), moment(e['DTEND'].dt))
                          for e in icalendar.Calendar.from_ical(text).walk('VEVENT'))
    by_vobject = sorted((e.summary.value, moment(e.dtstart.value), moment(e.dtend.value))
                        for e in vobject.readOne(text).contents.get('vevent', []))
    assert by_icalendar == by_vobject, (by_icalendar, by_vobject)
    for line in by_icalendar:
        print('\t'.join(line))
