#!/usr/bin/env bash
# The files that make the game a desktop program, as the desktop's tools read
# them: the desktop entry (desktop-file-validate), the AppStream metainfo
# (appstreamcli), the manual page (man), and one version everywhere: the
# project's, the metainfo's newest release, the changelog's top entry and the
# manual page's header.
#   packaging_data.sh SOURCE_DIR PROJECT_VERSION
set -euo pipefail
src="$1"; version="$2"
data="$src/data"
failed=0
fail() { echo "FAIL: $*"; failed=1; }

entry="$data/agarhold.desktop"
out=$(desktop-file-validate "$entry" 2>&1) || fail "desktop-file-validate: $out"
[ -z "$out" ] || echo "desktop-file-validate: $out"
key() { sed -n "s/^$1=//p" "$entry"; }
[ "$(key Name)" = Agarhold ] || fail "Name=$(key Name)"
[ -n "$(key Comment)" ] || fail "no Comment"
[ "$(key Categories)" = "Game;StrategyGame;" ] || fail "Categories=$(key Categories)"
[ "$(key Icon)" = agarhold ] || fail "Icon=$(key Icon)"
[ "$(key Terminal)" = false ] || fail "Terminal=$(key Terminal)"

meta=$(ls "$data"/*.metainfo.xml)
[ "$(echo "$meta" | wc -l)" = 1 ] || fail "more than one metainfo file"
id=$(sed -n 's:.*<id>\(.*\)</id>.*:\1:p' "$meta")
[ "$(basename "$meta")" = "$id.metainfo.xml" ] || fail "metainfo file $(basename "$meta") is not named after its id $id"
# Every finding counts, pedantic ones and infos too, except two: the project
# has no public homepage to name (url-homepage-missing, a warning since
# AppStream 1.0), and AppStream before 1.0 does not know the <developer>
# element that replaced <developer_name>.
out=$(appstreamcli validate --no-net --pedantic "$meta" 2>&1) || true
echo "appstreamcli $(appstreamcli --version | sed -n 's/.*version: //p'): $out"
old_appstream=0
dpkg --compare-versions "$(appstreamcli --version | sed -n 's/.*version: //p')" lt 1.0 && old_appstream=1
while read -r kind where tag what; do
  line=${where%:}; line=${line##*:}
  case "$kind $tag" in
    "W: url-homepage-missing") ;;
    "I: unknown-tag")
      [ $old_appstream = 1 ] && [ "$what" = developer ] && sed -n "${line}p" "$meta" | grep -q '<developer ' ||
        fail "appstreamcli: $kind $where $tag $what" ;;
    *) fail "appstreamcli: $kind $where $tag $what" ;;
  esac
done < <(echo "$out" | grep -E '^[EWIP]: ')
grep -q '<developer id="[a-z0-9.]*">' "$meta" && grep -q '<name>The Agarhold developers</name>' "$meta" ||
  fail "no <developer> element with an id and a name"
grep -q '<launchable type="desktop-id">agarhold.desktop</launchable>' "$meta" || fail "the desktop entry is not the launchable"
grep -q '<content_rating type="oars-1.1"' "$meta" || fail "no content rating"

out=$(LC_ALL=C.UTF-8 MANWIDTH=80 man --warnings -l "$data/agarhold.6" 2>&1 >/dev/null) || fail "man: $out"
[ -z "$out" ] || fail "man warns: $out"

meta_version=$(sed -n 's:.*<release version="\([^"]*\)" date="\([^"]*\)".*:\1:p' "$meta" | head -1)
meta_date=$(sed -n 's:.*<release version="\([^"]*\)" date="\([^"]*\)".*:\2:p' "$meta" | head -1)
log_version=$(sed -n '1s/^agarhold (\([^)]*\)).*/\1/p' "$data/changelog")
log_date=$(sed -n 's/^ -- .*>  //p' "$data/changelog" | head -1)
man_version=$(sed -n 's/^\.TH AGARHOLD 6 "[^"]*" "Agarhold \([^"]*\)".*/\1/p' "$data/agarhold.6")
echo "versions: project $version, metainfo $meta_version, changelog $log_version, manual $man_version"
for v in "$meta_version" "$log_version" "$man_version"; do
  [ "$v" = "$version" ] || fail "version $v differs from the project's $version"
done
[ "$(date -u -d "$log_date" +%F)" = "$meta_date" ] || fail "changelog date $log_date, metainfo release date $meta_date"

[ $failed = 0 ] && echo "1 passed, 0 failed"
exit $failed
