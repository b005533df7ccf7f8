#!/usr/bin/python3
"""The phone app in headless Chromium, end to end: the player syncs a library to a phone account
on a service of this test's own; the app signs in with that account, lists for a typed place exactly
the concerts the player found there, stars one into the feed, keeps stored markup as text, shows the
last list offline, ends the session for good at sign-out and throttles wrong passwords; it lists the
shows of the player's friend and forgets the list of a session ended elsewhere.
Exits 77 when Chromium cannot start."""
import argparse
import os
import re
import shutil
import subprocess
import sys
import tempfile
import time
import urllib.error
import urllib.parse
import urllib.request

HOSTILE = ['<img src=x onerror="window.__pwned=1">', '<script>window.__pwned=2</script>']
PLACE, REGION, RADIUS = 'Boston', 'MA', '50'


def start_service(binary, data, db, port=0):
    proc = subprocess.Popen([binary, '--port', str(port), '--iploc-port', '0', '--data', data, '--db', db],
                            stdout=subprocess.PIPE, stderr=subprocess.PIPE, text=True)
    line = proc.stdout.readline()
    match = re.match(r'port: (\d+)', line)
    if not match:
        proc.kill()
        raise RuntimeError('service did not start: ' + line + proc.stderr.read())
    iploc = re.match(r'iploc-port: (\d+)', proc.stdout.readline())
    return proc, int(match.group(1)), int(iploc.group(1))


def stop(proc):
    proc.terminate()
    proc.wait(timeout=10)


def get(url, headers=None):
    request = urllib.request.Request(url, headers=headers or {})
    try:
        with urllib.request.urlopen(request, timeout=10) as reply:
            return reply.status, reply.read().decode('utf-8', 'replace'), dict(reply.headers)
    except urllib.error.HTTPError as e:
        return e.code, e.read().decode('utf-8', 'replace'), dict(e.headers)


def share_as_friend(host, artists):
    """"bo", of another installation, shares a show of each artist three weeks from today."""
    day = time.localtime(time.time() + 21 * 86400)
    for query in ['TODO=INITIALIZE_USER&USERNAME=bo&UUID=U-bo&CITY=&STATE=&FIRSTNAME=&LASTNAME='] + [
            f'TODO=ADD_SHOW&USERNAME=bo&UUID=U-bo&YEAR={day.tm_year}&MONTH={day.tm_mon}&DAY={day.tm_mday}&TICKETSAVAILABLE=0'
            f'&ARTIST={urllib.parse.quote(a)}&VENUE=Hall&LOCATION=Salem&URL=http://t/1&OTHERARTISTS=' for a in artists]:
        assert 'Error' not in get(f'{host}/sharing/sharing.php?' + query)[1], query
    return time.strftime('%Y-%m-%d', day)


def sync_with_player(args, tmp, service_hosts, names):
    """The player refreshes a home whose library holds names, with phone sync on as "ann": the
    concerts it lists near the place, as (artist, date, venue)."""
    home = os.path.join(tmp, 'home')
    support = os.path.join(home, 'Library/Application Support/Voxtrail')
    library = os.path.join(home, 'Music/iTunes/iTunes Music Library.xml')
    for folder in (support, os.path.dirname(library), os.path.join(home, 'run')):
        os.makedirs(folder, mode=0o700)
    shutil.copytree(args.bundle, os.path.join(home, 'Library/iTunes/iTunes Plug-ins/Voxtrail.bundle'))
    tracks = ''.join(f'<key>{i}</key><dict><key>Track ID</key><integer>{i}</integer><key>Artist</key>'
                     f'<string>{n.replace("&", "&#38;")}</string></dict>\n' for i, n in enumerate(names, 1))
    files = {library: f'<plist version="1.0">\n<dict>\n<key>Tracks</key>\n<dict>\n{tracks}</dict>\n</dict>\n</plist>\n',
             os.path.join(support, 'VoxtrailServices'): service_hosts,
             os.path.join(support, 'pd'): 's3cret',
             os.path.join(support, 'VoxtrailPref'):
                 f'{library}\n1\n2026@@1@@8\n{PLACE}@@{REGION}@@{RADIUS}@@0.000000e+00@@0.000000e+00\n'
                 '0@@1@@0@@0@@0@@1@@0@@0@@0@@0@@1\n-\nann@@Ann@@Lee@@\nbo@@\n\n'}
    for path, text in files.items():
        with open(path, 'w', encoding='utf-8') as f:
            f.write(text)
    prefs = os.path.join(support, 'VoxtrailPref')
    env = {'HOME': home, 'QT_QPA_PLATFORM': 'offscreen', 'XDG_RUNTIME_DIR': os.path.join(home, 'run'),
           'PATH': os.environ.get('PATH', '/usr/bin')}
    player = subprocess.Popen([args.player, '--headless'], stdin=subprocess.PIPE, stdout=subprocess.DEVNULL,
                              env=env, cwd=home, text=True)
    # The file is written again at the end of the refresh, after phone sync.
    wait_for(lambda: open(prefs, encoding='utf-8').read().split('\n')[2] != '2026@@1@@8', 'the refresh', 120)
    player.communicate('quit\n', timeout=30)
    shows = set()
    for line in open(prefs, encoding='utf-8').read().split('\n')[9:]:
        f = line.split('@@')
        if f[0] == '0' and len(f) > 8:
            shows.add((f[6], f'{int(f[3]):04d}-{int(f[4]):02d}-{int(f[5]):02d}', f[7]))
    return shows


def upload_hostile(host, user, password):
    """A hostile client's upload of names the plug-in would have cleaned."""
    hostile = urllib.parse.quote('@@'.join(HOSTILE), safe='@')
    reply = get(f'{host}/iphone/exchange.php?TODO=ADD_ARTISTS&USERNAME={user}&PWD={password}&ARTISTS={hostile}')[1]
    assert '<OK>' in reply, reply


def open_browser():
    """Headless Chromium, or None (with the reason) when it cannot start here."""
    try:
        from selenium import webdriver
        from selenium.webdriver.chrome.service import Service
        options = webdriver.ChromeOptions()
        options.binary_location = '/usr/bin/chromium'
        for flag in ('--headless=new', '--no-sandbox', '--disable-gpu', '--disable-dev-shm-usage', '--lang=en-US'):
            options.add_argument(flag)
        return webdriver.Chrome(service=Service('/usr/bin/chromedriver'), options=options)
    except Exception as e:  # no selenium or no Chromium here: nothing of the app was tried
        print(f'SKIP: Chromium cannot start: {e}', file=sys.stderr)
        return None


def emulate(driver, width, height, mobile):
    # Headless windows have a least width above a phone's: the page is given a phone's screen instead.
    driver.execute_cdp_cmd('Emulation.setDeviceMetricsOverride',
                           {'width': width, 'height': height, 'deviceScaleFactor': 1, 'mobile': mobile})


def shot(driver, folder, name):
    driver.execute_script('window.scrollTo(0, 0)')
    driver.save_screenshot(os.path.join(folder, name))


def wait_for(predicate, what, timeout=10):
    deadline = time.time() + timeout
    while time.time() < deadline:
        try:
            value = predicate()
            if value:
                return value
        except Exception:  # the page may be between loads
            pass
        time.sleep(0.1)
    raise AssertionError('timed out waiting for ' + what)


def listed(driver):
    from selenium.webdriver.common.by import By
    rows = driver.find_elements(By.CSS_SELECTOR, '#shows .show')
    return {(r.find_element(By.CLASS_NAME, 'artist').text, r.get_attribute('data-date'),
             r.find_element(By.CLASS_NAME, 'where').text.rsplit(', ', 2)[0]) for r in rows}


def submit_sign_in(driver, user, password):
    from selenium.webdriver.common.by import By
    wait_for(lambda: driver.find_element(By.ID, 'sign-in').is_displayed(), 'the sign-in form')
    driver.find_element(By.NAME, 'username').clear()
    driver.find_element(By.NAME, 'username').send_keys(user)
    driver.find_element(By.NAME, 'password').send_keys(password)
    driver.find_element(By.CSS_SELECTOR, '#sign-in button[type=submit]').click()


def sign_in_and_list(driver, host, user, password, place, radius):
    from selenium.webdriver.common.by import By
    emulate(driver, 360, 640, True)
    if not driver.current_url.startswith(f'{host}/app/'):
        driver.get(f'{host}/app/')
    submit_sign_in(driver, user, password)
    wait_for(lambda: driver.find_element(By.ID, 'app').is_displayed(), 'the signed-in app')
    driver.find_element(By.NAME, 'place').send_keys(place)
    driver.find_element(By.NAME, 'radius').clear()
    driver.find_element(By.NAME, 'radius').send_keys(radius)
    driver.find_element(By.CSS_SELECTOR, '#where button[type=submit]').click()
    return wait_for(lambda: listed(driver), 'the list of shows')


def star_into_feed(driver):
    """A star reaches the feed (by its webcal and its plain address), which answers 304 to its ETag."""
    from selenium.webdriver.common.by import By
    first = driver.find_element(By.CSS_SELECTOR, '#shows .show')
    artist = first.find_element(By.CLASS_NAME, 'artist').text
    first.find_element(By.CLASS_NAME, 'star').click()
    wait_for(lambda: driver.find_elements(By.CSS_SELECTOR, '#starred .show'), 'the starred show')
    feed = driver.find_element(By.ID, 'feed-https').get_attribute('href')
    webcal = driver.find_element(By.ID, 'feed-webcal').get_attribute('href')
    assert webcal == 'webcal://' + feed.split('://', 1)[1], (webcal, feed)
    status, body, headers = get(feed)
    assert status == 200 and f'SUMMARY:{artist}' in body, body
    assert get(feed, {'If-None-Match': headers['ETag']})[0] == 304


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument('--service', required=True)
    parser.add_argument('--data', required=True)
    parser.add_argument('--shots', required=True)
    parser.add_argument('--player', required=True)
    parser.add_argument('--bundle', required=True)
    args = parser.parse_args()
    os.makedirs(args.shots, exist_ok=True)

    with tempfile.TemporaryDirectory() as tmp:
        db = os.path.join(tmp, 'store.db')
        service, port, iploc = start_service(args.service, args.data, db)
        host = f'http://127.0.0.1:{port}'
        driver = None
        try:
            driver = open_browser()
            if not driver:
                return 77
            from selenium.webdriver.common.by import By

            # Three artists that play near the place, by the sources' own pages.
            page = get(f'{host}/sources/ticketline.php?feed=events&city={PLACE}&state={REGION}&radius={RADIUS}')[1]
            names = list(dict.fromkeys(re.findall(r'<artist>(.*?)</artist>', page)))[:3]
            assert len(names) == 3, page[:500]
            friend_day = share_as_friend(host, ['Friendly Band', HOSTILE[0]])
            expected = sync_with_player(args, tmp, f'127.0.0.1:{port}\n127.0.0.1:{iploc}\n', names)
            assert expected
            upload_hostile(host, 'ann', 's3cret')

            # The pane's link leads to the app, which lists exactly the player's concerts.
            driver.get(f'{host}/iphone.php')
            assert driver.current_url == f'{host}/app/', driver.current_url
            shown = sign_in_and_list(driver, host, 'ann', 's3cret', f'{PLACE}, {REGION}', RADIUS)
            assert shown == expected, sorted(shown ^ expected)[:6]
            shot(driver, args.shots, 'phone-app-360x640.png')

            # The player told the service whom its sharing account follows: bo's shows have their section.
            rows = wait_for(lambda: driver.find_elements(By.CSS_SELECTOR, '#friend-shows .show'), "friends' shows")
            assert [(r.find_element(By.CLASS_NAME, 'artist').text, r.get_attribute('data-date'), r.find_element(
                By.CLASS_NAME, 'friends').text) for r in rows] == [(a, friend_day, 'Friends going: bo') for a in HOSTILE[:1] + ['Friendly Band']]
            driver.execute_script("document.getElementById('friends-section').scrollIntoView()")
            driver.save_screenshot(os.path.join(args.shots, 'phone-app-friends-360x640.png'))
            # Stored markup shows as text and never runs.
            driver.find_element(By.CSS_SELECTOR, 'details summary').click()
            texts = [li.text for li in driver.find_elements(By.CSS_SELECTOR, '#artists li')]
            for name in HOSTILE:
                assert name in texts, texts
            assert driver.execute_script('return window.__pwned === undefined')
            assert not driver.find_elements(By.CSS_SELECTOR, '#artists img, #artists script')

            star_into_feed(driver)

            emulate(driver, 1280, 800, False)
            shot(driver, args.shots, 'phone-app-1280x800.png')
            emulate(driver, 360, 640, True)

            # Offline: with the service gone, a reload shows the last list from the service worker.
            driver.refresh()
            wait_for(lambda: driver.execute_script('return !!navigator.serviceWorker.controller'), 'the worker')
            wait_for(lambda: listed(driver) == shown, 'the list again before going offline')
            stop(service)
            driver.refresh()
            wait_for(lambda: listed(driver) == shown, 'the last list offline')
            assert 'Offline' in driver.find_element(By.ID, 'status').text
            shot(driver, args.shots, 'phone-app-offline.png')
            service, port, iploc = start_service(args.service, args.data, db, port)

            # A new password ends the session elsewhere: the page asks to sign in, the worker drops the list.
            uuid = open(os.path.join(tmp, 'home/Library/Application Support/Voxtrail/vxt')).read().strip('\0')
            assert '<OK>' in get(f'{host}/iphone/exchange.php?TODO=INITIALIZE_USER&USERNAME=ann&UUID={uuid}&PWD=n3w')[1]
            driver.refresh()
            wait_for(lambda: driver.find_element(By.ID, 'sign-in').is_displayed(), 'the sign-in form, revoked')
            kept = driver.execute_async_script(
                "caches.open('voxtrail-data').then((c) => c.keys()).then((k) => arguments[0](k.map((r) => r.url)))")
            assert not [url for url in kept if '/api/shows' in url], kept

            # Sign-out ends the session in the store: its cookie, replayed, opens nothing.
            driver.refresh()
            submit_sign_in(driver, 'ann', 'n3w')
            wait_for(lambda: driver.find_element(By.ID, 'sign-out').is_displayed(), 'the sign-out button')
            session = driver.get_cookie('vx_session')['value']
            driver.find_element(By.ID, 'sign-out').click()
            wait_for(lambda: driver.find_element(By.ID, 'sign-in').is_displayed(), 'the sign-in form')
            replay = get(f'{host}/app/api/shows?place=Boston,+MA', {'Cookie': f'vx_session={session}'})
            assert replay[0] == 401, replay

            # Wrong passwords: refused, then throttled (the first waits are a second or two, so a slow
            # machine may see a few more refusals before a wait).
            texts = []
            while len(texts) < 15 and 'Too many wrong passwords' not in ''.join(texts):
                submit_sign_in(driver, 'ann', f'wrong{len(texts)}')
                texts.append(wait_for(lambda: driver.find_element(By.ID, 'status').text, 'an answer'))
                driver.execute_script("document.getElementById('status').textContent = ''")
            assert texts[:6] == ['Wrong user name or password.'] * 6, texts
            assert 'Too many wrong passwords' in texts[-1], texts
            assert not driver.find_element(By.ID, 'app').is_displayed()
            print('phone app: signed in, listed %d shows, starred one, read offline, signed out, throttled'
                  % len(shown))
            return 0
        finally:
            if driver:
                driver.quit()
            if service.poll() is None:
                stop(service)


if __name__ == '__main__':
    sys.exit(main())
