#!/usr/bin/python3
"""The feed read by real calendar readers: python icalendar and vobject read every title and
location whole; vdirsyncer syncs the feed into a vdir where khal lists each shared show on its
date, and no longer lists a show once it is unshared and synced again."""
import os, subprocess, sys, tempfile, time, urllib.parse, urllib.request

import icalendar
import vobject

SERVICE = sys.argv[1]
SHOWS = [  # day, artist, venue, location
    (5, 'AC/DC, "Live"; Tour', 'Club; A, B', 'Zürich, ZH'),
    (6, 'Back\\slash Café', 'Hall "X"', 'Montréal, QC'),
    (7, '東京事変', '武道館', '東京, JP'),
    (8, 'X\r\nATTACH:http://evil', 'Hall', 'Boston, MA'),
]


def get(host, path, query):
    # Blanks as "+", everything else percent-encoded, as the plug-in's query values are.
    url = 'http://%s%s?%s' % (host, path, urllib.parse.urlencode(query))
    with urllib.request.urlopen(url, timeout=10) as r:
        return r.read().decode('utf-8')


def show_query(todo, day, artist, venue, location):
    return [('TODO', todo), ('USERNAME', 'ann'), ('UUID', 'uuid-ann'), ('YEAR', '2027'), ('MONTH', '3'),
            ('DAY', str(day)), ('TICKETSAVAILABLE', '0'), ('ARTIST', artist), ('VENUE', venue),
            ('LOCATION', location), ('URL', 'e/%d' % day), ('OTHERARTISTS', ''), ('UID', 'show-%d' % day)]


def run(args, cwd):
    return subprocess.run(args, cwd=cwd, input='y\n', capture_output=True, text=True, timeout=120)


def main():
    work = tempfile.mkdtemp()
    service = subprocess.Popen([SERVICE, '--port', '0', '--iploc-port', '0'], stdout=subprocess.PIPE, text=True)
    try:
        port = service.stdout.readline().split()[1]
        host = '127.0.0.1:' + port
        get(host, '/sharing/sharing.php', [('TODO', 'INITIALIZE_USER'), ('USERNAME', 'ann'), ('UUID', 'uuid-ann'),
                                           ('CITY', 'Boston'), ('STATE', 'MA'), ('FIRSTNAME', 'A'), ('LASTNAME', 'B')])
        for show in SHOWS:
            assert 'added' in get(host, '/sharing/sharing.php', show_query('ADD_SHOW', *show))
        reply = get(host, '/sharing/sharing.php', [('TODO', 'FEED_URL'), ('USERNAME', 'ann'), ('UUID', 'uuid-ann')])
        feed = reply[reply.index('<FEED>') + 6:reply.index('</FEED>')]
        with urllib.request.urlopen(feed, timeout=10) as r:
            assert r.headers['Content-Type'] == 'text/calendar; charset=utf-8', r.headers['Content-Type']
            text = r.read().decode('utf-8')

        expected = {(a, '%s - (%s)' % (v, l)) for _, a, v, l in SHOWS}
        # A CR LF in a text is a line break inside the value, never a new property.
        expected = {(a.replace('\r\n', '\n'), loc) for a, loc in expected}
        read = {(str(e['SUMMARY']), str(e['LOCATION'])) for e in icalendar.Calendar.from_ical(text).walk('VEVENT')}
        assert read == expected, read
        cal = vobject.readOne(text)
        read = {(e.summary.value, e.location.value) for e in cal.vevent_list}
        assert read == expected, read
        assert all(not hasattr(e, 'attach') for e in cal.vevent_list)

        vdir = os.path.join(work, 'vdir')
        with open(os.path.join(work, 'vdirsyncer.conf'), 'w') as f:
            f.write('[general]\nstatus_path = "%s/status/"\n[pair feed]\na = "remote"\nb = "local"\n'
                    'collections = null\n[storage remote]\ntype = "http"\nurl = "%s"\n'
                    '[storage local]\ntype = "filesystem"\npath = "%s/"\nfileext = ".ics"\n' % (work, feed, vdir))
        with open(os.path.join(work, 'khal.conf'), 'w') as f:
            f.write('[calendars]\n[[feed]]\npath = %s/\n[locale]\ntimeformat = %%H:%%M\ndateformat = %%Y-%%m-%%d\n'
                    'longdateformat = %%Y-%%m-%%d\ndatetimeformat = %%Y-%%m-%%d %%H:%%M\n'
                    'longdatetimeformat = %%Y-%%m-%%d %%H:%%M\n' % vdir)

        def synced_listing():
            for args in (['vdirsyncer', '-c', 'vdirsyncer.conf', 'discover', 'feed'],
                         ['vdirsyncer', '-c', 'vdirsyncer.conf', 'sync']):
                done = run(args, work)
                assert done.returncode == 0, done.stderr
            done = run(['khal', '-c', 'khal.conf', 'list', '--format', '{start-date} {title}',
                        '2027-03-01', '2027-03-31'], work)
            assert done.returncode == 0, done.stderr
            return done.stdout

        listing = synced_listing()
        for day, artist, _, _ in SHOWS[:3]:
            assert '2027-03-%02d %s' % (day, artist) in listing, listing
        get(host, '/sharing/sharing.php', show_query('DELETE_SHOW', *SHOWS[0]))
        listing = synced_listing()
        assert SHOWS[0][1] not in listing, listing
        assert SHOWS[1][1] in listing, listing
    finally:
        service.terminate()
        service.wait()
    print('feed readers: all passed')


main()
