#!/usr/bin/python3
"""Reads a calendar feed as subscribers do: python icalendar and vobject parse it (they must agree,
and no text may have become a property of its own); vdirsyncer syncs it (its http storage into a
filesystem vdir kept in WORK, so a second run syncs the changes) and khal lists the vdir.
Usage: feed_readers.py FEED_URL WORK FROM TO. Prints "event<TAB>SUMMARY<TAB>LOCATION" per event
and "khal<TAB>DATE TITLE" per listed event, line breaks in values as a literal backslash-n."""
import os, subprocess, sys, urllib.request

os.environ["LC_ALL"] = "C.UTF-8"

import icalendar
import vobject

feed, work, first, last = sys.argv[1:5]


def flat(text):
    return text.replace('\n', '\\n')


def run(args):
    done = subprocess.run(args, cwd=work, input='y\n', capture_output=True, text=True, timeout=120)
    assert done.returncode == 0, (args, done.stdout, done.stderr)
    return done.stdout


with urllib.request.urlopen(feed, timeout=10) as r:
    assert r.headers['Content-Type'] == 'text/calendar; charset=utf-8', r.headers['Content-Type']
    text = r.read().decode('utf-8')
by_icalendar = sorted((str(e['SUMMARY']), str(e['LOCATION']))
                      for e in icalendar.Calendar.from_ical(text).walk('VEVENT'))
cal = vobject.readOne(text)
events = cal.contents.get('vevent', [])
by_vobject = sorted((e.summary.value, e.location.value) for e in events)
assert by_icalendar == by_vobject, (by_icalendar, by_vobject)
assert all(not hasattr(e, 'attach') for e in events)

vdir = os.path.join(work, 'vdir')
config = os.path.join(work, 'vdirsyncer.conf')
if not os.path.exists(config):
    with open(config, 'w') as f:
        f.write('[general]\nstatus_path = "%s/status/"\n[pair feed]\na = "remote"\nb = "local"\n'
                'collections = null\n[storage remote]\ntype = "http"\nurl = "%s"\n'
                '[storage local]\ntype = "filesystem"\npath = "%s/"\nfileext = ".ics"\n' % (work, feed, vdir))
    with open(os.path.join(work, 'khal.conf'), 'w') as f:
        f.write('[calendars]\n[[feed]]\npath = %s/\n[locale]\ntimeformat = %%H:%%M\ndateformat = %%Y-%%m-%%d\n'
                'longdateformat = %%Y-%%m-%%d\ndatetimeformat = %%Y-%%m-%%d %%H:%%M\n'
                'longdatetimeformat = %%Y-%%m-%%d %%H:%%M\n[sqlite]\npath = %s/khal.db\n' % (vdir, work))
    run(['vdirsyncer', '-c', config, 'discover', 'feed'])
run(['vdirsyncer', '-c', config, 'sync'])
listing = run(['khal', '-c', os.path.join(work, 'khal.conf'), 'list', '--format', '{start-date} {title}',
               '--day-format', '', first, last])

for summary, location in by_icalendar:
    print('event\t%s\t%s' % (flat(summary), flat(location)))
for line in listing.splitlines():
    if line.strip():
        print('khal\t' + line)
