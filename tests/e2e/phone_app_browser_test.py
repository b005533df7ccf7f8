#!/usr/bin/python3
"""The phone app in headless Chromium. On a service of its own: an account filled by phone sync's
requests signs in, a typed place lists its artists' shows, a starred show reaches the feed, stored
markup stays text, the last list reads offline, sign-out ends the session for good and wrong
passwords are throttled. With --host, on a service a player synced: the list equals the player's.
Exits 77 when Chromium cannot start."""
import argparse
import os
import re
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
    proc.stdout.readline()  # iploc-port
    return proc, int(match.group(1))


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


def phone_clean(name):
    return ' '.join(''.join(c for c in name if c.isalnum() or c == ' ').split())


def sync_phone(host, user, password, names):
    """Phone sync's two requests, as the plug-in sends them (blanks as "+", nothing else escaped),
    and a hostile client's upload of names the plug-in would have cleaned."""
    reply = get(f'{host}/iphone/exchange.php?TODO=INITIALIZE_USER&USERNAME={user}&UUID=u-phone-1&PWD={password}')[1]
    assert '<OK>' in reply, reply
    batch = '@@'.join(phone_clean(n) for n in names).replace(' ', '+')
    reply = get(f'{host}/iphone/exchange.php?TODO=ADD_ARTISTS&USERNAME={user}&PWD={password}&ARTISTS={batch}')[1]
    assert '<OK>' in reply, reply
    hostile = urllib.parse.quote('@@'.join(HOSTILE), safe='@')
    reply = get(f'{host}/iphone/exchange.php?TODO=ADD_ARTISTS&USERNAME={user}&PWD={password}&ARTISTS={hostile}')[1]
    assert '<OK>' in reply, reply


def open_browser():
    """Headless Chromium, or None (with the reason) when it cannot start here."""
    try:
        from selenium import webdriver
        from selenium.webdriver.chrome.service import Service
    except ImportError as e:
        print(f'SKIP: Chromium cannot start: no selenium ({e})', file=sys.stderr)
        return None
    options = webdriver.ChromeOptions()
    options.binary_location = '/usr/bin/chromium'
    for flag in ('--headless=new', '--no-sandbox', '--disable-gpu', '--disable-dev-shm-usage',
                 '--window-size=360,640', '--lang=en-US'):
        options.add_argument(flag)
    try:
        return webdriver.Chrome(service=Service('/usr/bin/chromedriver'), options=options)
    except Exception as e:  # no Chromium here: nothing of the app was tried
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


def against_synced_service(args):
    """The player's sync and list against the app's: the same shows, and a star in the feed."""
    host = 'http://' + args.host
    with open(args.expected, encoding='utf-8') as f:
        expected = {tuple(line.rstrip('\n').split('\t')) for line in f if line.strip()}
    driver = open_browser()
    if not driver:
        return 77
    try:
        shown = sign_in_and_list(driver, host, args.account[0], args.account[1], args.place, args.radius)
        assert shown == expected, sorted(shown ^ expected)[:6]
        star_into_feed(driver)
        shot(driver, args.shots, 'phone-app-synced-360x640.png')
        print(f'phone app: the player\'s {len(expected)} shows listed, one starred into the feed')
        return 0
    finally:
        driver.quit()


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument('--service', required=True)
    parser.add_argument('--data', required=True)
    parser.add_argument('--shots', required=True)
    # A service a player has already synced: its account, and the concerts that player listed
    # ("artist<TAB>YYYY-MM-DD<TAB>venue" lines) near the place.
    parser.add_argument('--host')
    parser.add_argument('--account', nargs=2, metavar=('USER', 'PASSWORD'))
    parser.add_argument('--place', default=f'{PLACE}, {REGION}')
    parser.add_argument('--radius', default=RADIUS)
    parser.add_argument('--expected')
    args = parser.parse_args()
    if args.host:
        return against_synced_service(args)
    os.makedirs(args.shots, exist_ok=True)

    with tempfile.TemporaryDirectory() as tmp:
        db = os.path.join(tmp, 'store.db')
        service, port = start_service(args.service, args.data, db)
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
            sync_phone(host, 'ann', 's3cret', names)

            # The pane's link leads to the app; the list holds shows of the synced artists only.
            driver.get(f'{host}/iphone.php')
            assert driver.current_url == f'{host}/app/', driver.current_url
            shown = sign_in_and_list(driver, host, 'ann', 's3cret', f'{PLACE}, {REGION}', RADIUS)
            assert {artist for artist, _, _ in shown} == set(names), shown
            shot(driver, args.shots, 'phone-app-360x640.png')

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
            service, port = start_service(args.service, args.data, db, port)

            # Sign-out ends the session in the store: its cookie, replayed, opens nothing.
            driver.refresh()
            wait_for(lambda: driver.find_element(By.ID, 'sign-out').is_displayed(), 'the sign-out button')
            session = driver.get_cookie('vx_session')['value']
            driver.find_element(By.ID, 'sign-out').click()
            wait_for(lambda: driver.find_element(By.ID, 'sign-in').is_displayed(), 'the sign-in form')
            replay = get(f'{host}/app/api/shows?place=Boston,+MA', {'Cookie': f'vx_session={session}'})
            assert replay[0] == 401, replay

            # Wrong passwords: refused, then throttled.
            for attempt in range(7):
                submit_sign_in(driver, 'ann', f'wrong{attempt}')
                wait_for(lambda: driver.find_element(By.ID, 'status').text, 'an answer to the sign-in')
                text = driver.find_element(By.ID, 'status').text
                driver.execute_script("document.getElementById('status').textContent = ''")
            assert 'Too many wrong passwords' in text, text
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
