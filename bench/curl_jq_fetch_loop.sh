#!/usr/bin/env bash
# The baseline of the fetch benchmark: the collector's work for each fetch,
# done the way a shell script would do it. One POST of the fixed feed
# request with the collector's headers and the cookies of earlier replies
# (curl), the six fields of every item with exact ids (sed, jq), the video
# address rules, items seen before dropped (awk), each new item appended to
# the record file in GBK (iconv) and its id to the seen-id list.
#
#   curl_jq_fetch_loop.sh BASE_URL FETCHES DIRECTORY
set -euo pipefail
base=$1
fetches=$2
dir=$3

url="$base/rest/n/feed/list?type=7&lat=23.364088&lon=110.080621&ver=4.46&ud=0&sys=ANDROID_4.4.4&c=BAIDU&oc=BAIDU&net=WIFI&did=ANDROID_4f81b0c2d7e65a93&mod=Xiaomi%28MI+4LTE%29&app=0&language=zh-cn&country_code=CN&appver=4.46.1.1739"
body='id=21&os=android&client_key=9b07a1e4&last=1049&count=20&token=&page=1&pcursor=&pv=false&mtype=2&type=7&sig=5f1c7a0b3e8d2946c0b7e15a9d3f6284'
records="$dir/records.txt"
seen="$dir/seen.txt"
cookies="$dir/cookies.txt"
: >"$records"
: >"$seen"
: >"$cookies"

for ((fetch = 0; fetch < fetches; fetch++)); do
  curl -s -b "$cookies" -c "$cookies" -X POST \
    -H 'User-Agent: Mozilla/5.0 (compatible; MSIE 9.0; Windows NT 6.1; WOW64; Trident/5.0)' \
    -H 'Accept: text/html, application/xhtml+xml, */*' \
    -H 'Accept-Encoding: gbk, GB2312' \
    -H 'Accept-Language: zh-cn' \
    -H 'Content-Type: application/x-www-form-urlencoded' \
    -H 'Cache-Control: no-cache' \
    --data-binary "$body" "$url" |
    # jq reads numbers as doubles: quote the ids first to keep every digit.
    sed -E 's/"(photo_id|user_id)":([0-9]+)/"\1":"\2"/g' |
    jq -r '.feeds[]? | [.user_name, .user_id, .photo_id, .caption, .time,
            (.main_mv_url
             | if test("jsmov2\\.a\\.yximgs\\.com") then sub("\\.mp4.*"; ".mp4")
               else sub("mp4.*"; "mp4") end
             | gsub("alimov2\\.a\\.yximgs\\.com"; "txmov2.a.yximgs.com"))]
           | map(gsub("\n"; "\\n")) | join("----")' |
    awk -F'----' -v seen="$seen" '
      BEGIN { while ((getline id < seen) > 0) known[id] = 1 }
      !($3 in known) { known[$3] = 1; print $3 >> seen; print }' |
    iconv -c -f UTF-8 -t GBK | sed 's/$/\r/' >>"$records"
done
