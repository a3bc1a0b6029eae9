"""Feed items and feed replies, and what the collector keeps of each item.

Every text value here is held as its JSON text, exactly as the reply writes
it between the quotes (escapes left in place), because the collector takes
fields verbatim. `stored_fields` says what the collector must store for an
item: its six fields as the collector's markers find them, with the video
address normalised for the CDN hosts.

A reply is one JSON object; every item ends with its "reco_reason" key, so
that cutting the reply at "reco_reason" gives one item per piece: piece k
holds the tail of item k-1 and the whole of item k up to its "reco_reason",
and the last piece holds only the reply's tail.
"""

import dataclasses
import datetime
import random

import program_text

FIRST_CDN_HOST = "jsmov2.a.yximgs.com"
SECOND_CDN_HOST = "alimov2.a.yximgs.com"
THIRD_CDN_HOST = "txmov2.a.yximgs.com"

# Authors' names as JSON text: Chinese, emoji, an escaped quote, an escaped
# backslash, characters whose GBK form is double-byte with an ASCII second
# byte.
USER_NAMES = (
    "小雨同学", "广州美食探店", "Lucky猫", "爱旅行的阿杰", "程序员老王",
    r"\"引号\"哥", "舞蹈❤️小七", "一只柯基", "西北风味·兰州拉面",
    "山城小妹🌶️", "老张钓鱼", "大连海鲜哥", "阿婆的厨房", "杭州西湖边",
    "健身教练Mike", "东北大花袄", "路人甲", r"反斜杠\\君", "摄影师Ken—光影",
    "宝妈日记", "😀开心果", "川味儿～", "云南小卜哨", "修车师傅老李",
    "乡村守护人", "汉服小仙女", "二次元の宅", "丂乂乗的店", "晚风✨",
    "Z", "一二三四五六七八九十一二三四五六七八九十",
)

# Caption bodies as JSON text. Among them: escaped quotes (one directly
# followed by a comma, where the collector's caption ends), "\n", "\t", "\\",
# "\/", "\u" escapes, raw emoji, a field separator look-alike, an empty one.
CAPTION_BODIES = (
    "拍摄于广州塔下的夜景，太美了！",
    r"今天做了一道红烧肉，\"肥而不腻\"，你们觉得怎么样？",
    r"他说：\"好吃\",然后就走了",
    "Good morning ☀️ 新的一天加油💪",
    r"第一次尝试这个舞蹈\n求点赞👍",
    "程序员的一天：写代码、改bug、再写代码……",
    "柯基的屁股谁能拒绝🐶",
    r"路径是C:\\Users\\老王 别问为什么",
    r"晚安\ud83c\udf19 好梦",
    r"爱你们\u2764\ufe0f",
    "分割线----下面是正文",
    r"链接:http:\/\/v.example.cn\/s\/AbC123",
    r"价格：\t￥39.9 包邮",
    "凌晨四点的菜市场，才是真正的人间烟火",
    "这条鱼有十斤重！！！",
    "“双引号”和‘单引号’都是全角的",
    "第①期：如何30秒学会做蛋炒饭",
    "温度：-5℃，出门冻成狗",
    "Just some English text, no Chinese at all",
    "⭐⭐⭐⭐⭐ 五星好评 ✅",
    "",
)

TAGS = (
    "#美食", "#日常", "#旅行", "#萌宠", "#搞笑", "#舞蹈", "#程序员", "#钓鱼",
    "#汉服", "#二次元", "#健身", "#家常菜", "#夜景", "#同城", "#热门",
)

RECO_REASONS = ("热门推荐", "同城热门", "你关注的人赞过", "hot", "")

# Publish times lie in the 30 days before this moment (Beijing time).
_BEIJING = datetime.timezone(datetime.timedelta(hours=8))
_LATEST = datetime.datetime(2025, 12, 1, 20, 0, 0, tzinfo=_BEIJING)

_TOKEN_CHARS = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789"


@dataclasses.dataclass
class Item:
    """One feed item. String fields hold JSON text; ids hold digits."""
    user_id: str
    user_name: str
    head_url: str
    caption: str
    time: str
    timestamp: int
    photo_id: str
    like_count: int
    comment_count: int
    view_count: int
    duration: int
    main_mv_url: str
    mirror_url: str
    cover_url: str
    reco_reason: str
    kind: str = "fresh"  # "fresh", "repeat" (of an earlier item), "nested"
    url_kind: str = ""


def item_json(item):
    """The item's JSON text: one object, "reco_reason" its last key."""
    photo_id = item.photo_id
    return (
        '{"user_id":%s,"user_name":"%s","user_sex":"F","headurl":"%s",'
        '"headurls":[{"cdn":"tx2.a.yximgs.com","url":"%s"}],'
        '"caption":"%s","exp_tag":"1_i/%s_h%d","type":1,"us_d":1,'
        '"time":"%s","timestamp":%d,"photo_id":%s,"like_count":%d,'
        '"comment_count":%d,"view_count":%d,"forward_count":%d,'
        '"duration":%d,"photo_status":0,"main_mv_url":"%s",'
        '"main_mv_urls":[{"cdn":"%s","url":"%s"},{"cdn":"%s","url":"%s"}],'
        '"cover_thumbnail_urls":[{"cdn":"tx2.a.yximgs.com","url":"%s"}],'
        '"ext_params":{"mtype":3,"color":"7C6A5B","w":720,"h":1280,'
        '"interval":25},"reco_reason":"%s"}'
    ) % (
        item.user_id, item.user_name, item.head_url, item.head_url,
        item.caption, photo_id, item.like_count % 7, item.time,
        item.timestamp, photo_id, item.like_count, item.comment_count,
        item.view_count, item.comment_count // 3, item.duration,
        item.main_mv_url, _url_host(item.main_mv_url), item.main_mv_url,
        _url_host(item.mirror_url), item.mirror_url, item.cover_url,
        item.reco_reason)


def reply_json(items, llsid):
    """A whole feed reply holding |items| (possibly none)."""
    return (
        '{"result":1,"host-name":"hb2-acs-feed-07","llsid":"%s","feeds":[%s],'
        '"pcursor":"%s","new_notify":0,"refresh_interval":300}'
    ) % (llsid, ",".join(item_json(item) for item in items),
         "1" if items else "no_more")


def stored_fields(item, encoding="utf-8"):
    """The six fields the collector must store for |item| when the reply is
    sent in |encoding|, as the collector's text (see program_text). A field
    is None when that text depends on the build (a reply that is not UTF-8
    can decode to characters that only Windows maps to look-alikes)."""

    def held(json_text):
        served = json_text.encode(encoding, "replace")
        return program_text.from_reply_bytes_if_certain(served)

    def up_to_quote_comma(text):
        # The collector's string fields end at the first '",'.
        return None if text is None else text.split('",', 1)[0]

    return {
        "user_name": up_to_quote_comma(held(item.user_name)),
        "user_id": item.user_id,
        "photo_id": item.photo_id,
        "caption": up_to_quote_comma(held(item.caption)),
        "time": item.time,
        "main_mv_url": normalised_url(item.main_mv_url),
    }


def normalised_url(url):
    """The video address the collector stores: up to its first "mp4"; on the
    first CDN host up to its first ".mp4" instead; the second host replaced
    by the third."""
    address = url[:url.index("mp4") + 3]
    if FIRST_CDN_HOST in address:
        address = url[:url.index(".mp4")] + ".mp4"
    return address.replace(SECOND_CDN_HOST, THIRD_CDN_HOST)


def _url_host(url):
    return url.replace("\\/", "/").split("/")[2]


class FeedGenerator:
    """Makes the items of successive feed pages from one seed.

    Fresh items get new 19-digit ids. With |repeat_rate| a slot repeats an
    item delivered before (or one earlier on the same page); with
    |nested_id_rate| a fresh item gets an id that is a longer earlier id
    without its first digits, which only an exact id comparison tells apart.
    The same seed and the same calls give the same pages.
    """

    def __init__(self, seed, items_per_page=20, repeat_rate=0.2,
                 nested_id_rate=0.05):
        self._random = random.Random(seed)
        self._items_per_page = items_per_page
        self._repeat_rate = repeat_rate
        self._nested_id_rate = nested_id_rate
        self._ids = set()
        self._delivered = []  # unique items, in delivery order
        self._delivered_ids = set()
        self._users = [self._make_user(name) for name in USER_NAMES]

    def next_page(self):
        page = []
        for _ in range(self._items_per_page):
            pool = self._delivered + page
            if pool and self._random.random() < self._repeat_rate:
                page.append(self._repeat(self._random.choice(pool)))
            elif self._delivered and self._random.random() < self._nested_id_rate:
                page.append(self._fresh(nested=True))
            else:
                page.append(self._fresh(nested=False))
        return page

    def llsid(self):
        return str(self._random.randrange(10**18, 10**19))

    def mark_delivered(self, items):
        """Items the client received: candidates for later repeats."""
        for item in items:
            if item.photo_id not in self._delivered_ids:
                self._delivered_ids.add(item.photo_id)
                self._delivered.append(item)

    def _make_user(self, name):
        user_id = str(self._random.randrange(10**8, 3 * 10**9))
        head = "http://tx2.a.yximgs.com/uhead/AB/2025/%02d/%02d/%02d/%s_s.jpg" % (
            self._random.randint(1, 11), self._random.randint(1, 28),
            self._random.randint(0, 23), self._token(32))
        return user_id, name, head

    def _token(self, length):
        return "".join(self._random.choice(_TOKEN_CHARS) for _ in range(length))

    def _new_photo_id(self, nested):
        while True:
            if nested:
                longer = self._random.choice(
                    [i.photo_id for i in self._delivered if len(i.photo_id) > 16])
                photo_id = longer[self._random.randint(1, 2):].lstrip("0")
            else:
                photo_id = str(self._random.randrange(
                    5_200_000_000_000_000_000, 5_260_000_000_000_000_000))
            if photo_id not in self._ids:
                self._ids.add(photo_id)
                return photo_id

    def _caption(self):
        r = self._random
        caption = r.choice(CAPTION_BODIES)
        if r.random() < 0.6:
            caption += " " + " ".join(r.sample(TAGS, r.randint(1, 3))) + " "
        if r.random() < 0.15:
            caption += " @" + r.choice(USER_NAMES[:5]) + " "
        return caption

    def _fresh(self, nested):
        r = self._random
        user_id, user_name, head = r.choice(self._users)
        photo_id = self._new_photo_id(nested)
        moment = _LATEST - datetime.timedelta(seconds=r.randrange(30 * 86400))
        timestamp = int(moment.timestamp()) * 1000 + r.randrange(1000)
        url, mirror, url_kind = self._video_urls(moment, photo_id)
        return Item(
            user_id=user_id, user_name=user_name, head_url=head,
            caption=self._caption(),
            time=moment.strftime("%Y-%m-%d %H:%M:%S"), timestamp=timestamp,
            photo_id=photo_id, like_count=r.randrange(100000),
            comment_count=r.randrange(5000), view_count=r.randrange(10**7),
            duration=r.randrange(5000, 300000), main_mv_url=url,
            mirror_url=mirror,
            cover_url="http://tx2.a.yximgs.com/upic/%s/%s.jpg" % (
                moment.strftime("%Y/%m/%d/%H"), self._token(24)),
            reco_reason=r.choice(RECO_REASONS),
            kind="nested" if nested else "fresh", url_kind=url_kind)

    def _repeat(self, earlier):
        # The service repeats an item with its counts brought up to date.
        extra = self._random.randrange(1, 50)
        return dataclasses.replace(
            earlier, like_count=earlier.like_count + extra,
            view_count=earlier.view_count + 10 * extra, kind="repeat")

    def _video_urls(self, moment, photo_id):
        """The item's video address on one of the CDN hosts, and a mirror."""
        r = self._random
        stamp = moment.strftime("%Y/%m/%d/%H")
        name = "%s_b_B%s" % (self._token(40), photo_id[-8:])
        query = "?tag=1-%d-xpcwebfeatured-0-%s-%s" % (
            int(moment.timestamp()), self._token(10).lower(), self._token(5))
        plain = "/upic/%s/%s.mp4%s" % (stamp, name, query)
        kind = r.choices(
            ("second", "third", "first-mp4-dir", "first", "first-to-second",
             "escaped-slashes"),
            weights=(25, 30, 20, 10, 5, 10))[0]
        if kind == "second":
            url = "http://" + SECOND_CDN_HOST + plain
        elif kind == "third":
            url = "http://" + THIRD_CDN_HOST + plain
        elif kind == "first":
            url = "http://" + FIRST_CDN_HOST + plain
        elif kind == "first-mp4-dir":
            # The first "mp4" lies in the path, before the file's extension.
            url = "http://%s/bs2/mp4/newWatermark/%s/%s.mp4%s" % (
                FIRST_CDN_HOST, stamp, name, query)
        elif kind == "first-to-second":
            url = "http://%s/bs2/mp4proxy/%s%s" % (
                FIRST_CDN_HOST, SECOND_CDN_HOST, plain)
        else:
            host = r.choice((SECOND_CDN_HOST, THIRD_CDN_HOST))
            url = ("http://" + host + plain).replace("/", "\\/")
        mirror = "http://" + THIRD_CDN_HOST + plain
        return url, mirror, kind
