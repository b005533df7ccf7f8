#!/usr/bin/python3
"""Reads iCalendar files with python-icalendar and vobject, and with --calcurse imports each into
calcurse as well. Prints one "SUMMARY<TAB>LOCATION" line per event; fails when the readers differ,
a reader refuses a file, or calcurse does not take every event."""
import subprocess, sys, tempfile

import icalendar
import vobject

calcurse = '--calcurse' in sys.argv
for path in [a for a in sys.argv[1:] if a != '--calcurse']:
    text = open(path, encoding='utf-8').read()
    by_icalendar = sorted((str(e['SUMMARY']), str(e['LOCATION']))
                          for e in icalendar.Calendar.from_ical(text).walk('VEVENT'))
    by_vobject = sorted((e.summary.value, e.location.value)
                        for e in vobject.readOne(text).contents.get('vevent', []))
    assert by_icalendar == by_vobject, (by_icalendar, by_vobject)
    if calcurse:
        folder = tempfile.mkdtemp()
        done = subprocess.run(['calcurse', '-D', folder, '-i', path], capture_output=True, text=True, timeout=60)
        assert done.returncode == 0, done.stdout + done.stderr
        apts = open(folder + '/apts', encoding='utf-8').read().splitlines() if by_icalendar else []
        assert len(apts) == len(by_icalendar), (apts, done.stdout, done.stderr)
    for summary, location in by_icalendar:
        print('%s\t%s' % (summary.replace('\n', '\\n'), location.replace('\n', '\\n')))
