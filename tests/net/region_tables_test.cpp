// Region name to code, both tables: every row read back, and the ways a name may be typed.
#include "plugin/net/region_tables.h"

#include <cstring>
#include <gtest/gtest.h>
#include <string>
#include <utility>
#include <vector>

namespace {

// The rows as "key=code," lists, kept here apart from the tables under test.
const char* const kStateRows =
    "alabama=al,alaska=ak,arizona=az,arkansas=ar,california=ca,colorado=co,connecticut=ct,delaware=de,"
    "districtofcolumbia=dc,florida=fl,georgia=ga,hawaii=hi,idaho=id,illinois=il,indiana=in,iowa=ia,"
    "kansas=ks,kentucky=ky,louisiana=la,maine=me,maryland=md,massachusetts=ma,michigan=mi,minnesota=mn,"
    "mississippi=ms,missouri=mo,montana=mt,nebraska=ne,nevada=nv,newhampshire=nh,newjersey=nj,"
    "newmexico=nm,newyork=ny,northcarolina=nc,northdakota=nd,ohio=oh,oklahoma=ok,oregon=or,"
    "pennsylvania=pa,rhodeisland=ri,southcarolina=sc,southdakota=sd,tennessee=tn,texas=tx,utah=ut,"
    "vermont=vt,virginia=va,washington=wa,westvirginia=wv,wisconsin=wi,wyoming=wy,";
const char* const kSearchRows =
    "alberta=ab,britishcolumbia=bc,manitoba=mb,newbrunswick=nb,newfoundland=nf,northwestterritories=nt,"
    "novascotia=ns,ontario=on,princeedwardisland=pe,quebec=qc,saskatchewan=sk,yukon=yt,argentina=arg,"
    "australia=au,austria=aus,bahamas=bs,belgium=bel,bermuda=bmd,brazil=br,chile=cl,china=cn,"
    "costarica=cr,czechrepublic=cz,denmark=den,dominicanrepublic=dr,estonia=ee,ethiopia=et,finland=fin,"
    "france=fra,germany=ger,ghana=gh,greece=gr,hungary=hu,iceland=is,india=ina,indonesia=ind,ireland=ir,"
    "israel=irl,italy=ita,jamaica=jm,japan=jp,latvia=lv,liechtenstein=li,lithuania=lt,luxembourg=lu,"
    "malaysia=my,mexico=mx,netherlands=nl,newzealand=nz,nigeria=ng,norway=nor,peru=per,poland=pl,"
    "portugal=por,puertorico=pr,russia=rus,singapore=sn,slovakrepublic=skr,southafrica=za,southkorea=kr,"
    "spain=spa,sweden=swe,switzerland=swi,thailand=th,turkey=tr,unitedarabemirates=uae,unitedkingdom=uk,"
    "virginislands=vi,";
const char* const kLocationRows =
    "alberta=ab,britishcolumbia=bc,manitoba=mb,newfoundland=nf,ontario=on,quebec=qc,saskatchewan=sk,"
    "yukonterritory=yt,algeria=alg,argentina=arg,australia=aus,austria=aut,bahamas=bah,belgium=bel,"
    "belize=blz,benin=ben,brazil=bra,burkinafaso=bfa,cambodia=cam,capeverde=cv,chile=chl,china=chn,"
    "cyprus=cyp,czechrepublic=cze,denmark=den,dominicanrepublic=dr,elsalvador=slv,estonia=est,"
    "finland=fin,france=fra,gambia=gam,germany=ger,ghana=gha,greece=gre,guinea=gui,guyana=guy,"
    "honduras=hon,hungary=hun,iceland=ice,india=ind,indonesia=idn,ireland=ire,israel=isr,italy=ita,"
    "ivorycoast=ivo,jamaica=jam,japan=jpn,korea=kor,laos=lao,latvia=lat,liberia=lib,liechtenstein=lie,"
    "luxembourg=lux,macau=mac,malaysia=mal,mali=mli,mexico=mex,morocco=mor,netherlands=net,"
    "newzealand=nz,niger=nig,norway=nor,paraguay=par,peru=per,philippines=phi,poland=pol,portugal=por,"
    "puertorico=pr,russia=rus,senegal=sen,sierraleone=sie,singapore=sin,southafrica=saf,spain=spa,"
    "suriname=sur,sweden=swe,switzerland=swi,togo=tog,tunisia=tun,turkey=tur,unitedarabemirates=uae,"
    "unitedkingdom=uk,venezuela=ven,";

std::vector<std::pair<std::string, std::string>> rowsOf(std::initializer_list<const char*> lists) {
    std::vector<std::pair<std::string, std::string>> rows;
    for (const char* list : lists) {
        std::string text(list);
        for (std::size_t start = 0; start < text.size();) {
            std::size_t comma = text.find(',', start);
            std::string row = text.substr(start, comma - start);
            std::size_t eq = row.find('=');
            rows.emplace_back(row.substr(0, eq), row.substr(eq + 1));
            start = comma + 1;
        }
    }
    return rows;
}

std::string upper(std::string s) {
    for (char& c : s)
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return s;
}

using Abbreviate = int (*)(char*);

struct Outcome {
    int rc;
    std::string text;
};

Outcome run(Abbreviate f, const std::string& typed) {
    char buffer[256];
    std::snprintf(buffer, sizeof buffer, "%s", typed.c_str());
    int rc = f(buffer);
    return {rc, buffer};
}

void expectEveryRow(Abbreviate f, const std::vector<std::pair<std::string, std::string>>& rows) {
    for (const auto& [key, code] : rows) {
        Outcome byName = run(f, key);
        EXPECT_EQ(byName.rc, 0) << key;
        EXPECT_EQ(byName.text, upper(code)) << key;
        Outcome byCode = run(f, code);
        EXPECT_EQ(byCode.rc, 0) << code;
        EXPECT_EQ(byCode.text, upper(code)) << code;
    }
}

TEST(RegionTables, EverySearchRowIsFoundByNameAndByCode) {
    expectEveryRow(stateAbbrev_generic, rowsOf({kStateRows, kSearchRows}));
}

TEST(RegionTables, EveryLocationRowIsFoundByNameAndByCode) {
    expectEveryRow(latLongStateAbbrev, rowsOf({kStateRows, kLocationRows}));
}

TEST(RegionTables, NameMayBeTypedInAnyCaseWithBlanksAndPunctuation) {
    for (Abbreviate f : {stateAbbrev_generic, latLongStateAbbrev}) {
        for (const char* typed : {"New York", "new york", "NEWYORK", "New-York", " ny ", "Ny"}) {
            Outcome o = run(f, typed);
            EXPECT_EQ(o.rc, 0) << typed;
            EXPECT_EQ(o.text, "NY") << typed;
        }
        EXPECT_EQ(run(f, "United Kingdom").text, "UK");
        EXPECT_EQ(run(f, "District of Columbia").text, "DC");
    }
}

TEST(RegionTables, TablesDifferWhereTheirRowsDiffer) {
    EXPECT_EQ(run(stateAbbrev_generic, "Australia").text, "AU");
    EXPECT_EQ(run(latLongStateAbbrev, "Australia").text, "AUS");
    EXPECT_EQ(run(stateAbbrev_generic, "Austria").text, "AUS");
    EXPECT_EQ(run(latLongStateAbbrev, "Austria").text, "AUT");
    EXPECT_EQ(run(stateAbbrev_generic, "Yukon").text, "YT");
    EXPECT_EQ(run(latLongStateAbbrev, "Yukon Territory").text, "YT");

    Outcome o = run(latLongStateAbbrev, "Nova Scotia");
    EXPECT_EQ(o.rc, -1);
    EXPECT_EQ(o.text, "novascotia");
    EXPECT_EQ(run(stateAbbrev_generic, "Nova Scotia").text, "NS");

    o = run(stateAbbrev_generic, "Korea");
    EXPECT_EQ(o.rc, -1);
    EXPECT_EQ(o.text, "korea");
    EXPECT_EQ(run(latLongStateAbbrev, "Korea").text, "KOR");
    EXPECT_EQ(run(stateAbbrev_generic, "South Korea").text, "KR");
    o = run(latLongStateAbbrev, "South Korea");
    EXPECT_EQ(o.rc, -1);
    EXPECT_EQ(o.text, "southkorea");
}

TEST(RegionTables, UnknownNamesAreLeftStripped) {
    for (Abbreviate f : {stateAbbrev_generic, latLongStateAbbrev}) {
        Outcome o = run(f, "");
        EXPECT_EQ(o.rc, -1);
        EXPECT_EQ(o.text, "");
        o = run(f, "Atlantis 2, \xc3\xa9!");
        EXPECT_EQ(o.rc, -1);
        EXPECT_EQ(o.text, "atlantis2");
        // A code is only a code as a whole: "n" or "nyx" are not New York.
        EXPECT_EQ(run(f, "n").rc, -1);
        EXPECT_EQ(run(f, "nyx").rc, -1);
    }
}

TEST(RegionTables, LongInputIsCutTo255Characters) {
    std::vector<char> buffer(1000, 'a');
    buffer.back() = '\0';
    EXPECT_EQ(stateAbbrev_generic(buffer.data()), -1);
    EXPECT_EQ(std::strlen(buffer.data()), 255u);
}

} // namespace
