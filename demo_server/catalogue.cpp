#include "catalogue.h"

#include "logic/links/js_escape.h"

namespace kelvara::demo {

namespace {

CatalogueTitle film(qint64 id, const char* title, const char* clip) {
    CatalogueTitle t;
    t.id = id;
    t.title = QString::fromUtf8(title);
    t.player_type = QStringLiteral("qvod");
    t.line_name = QStringLiteral("线路一：QVOD高速");
    t.episodes.push_back({1, QStringLiteral("高清版"), QString::fromUtf8(clip), t.title + ".mp4"});
    return t;
}

CatalogueTitle series(qint64 id, const char* title, const char* clip_stem, int count) {
    CatalogueTitle t;
    t.id = id;
    t.title = QString::fromUtf8(title);
    t.series = true;
    t.player_type = QStringLiteral("qvod");
    t.line_name = QStringLiteral("线路一：QVOD高速");
    for (int n = 1; n <= count; ++n) {
        const QString name = QStringLiteral("第%1集").arg(n);
        const QString clip =
            QString::fromUtf8(clip_stem) + QStringLiteral("_%1.mp4").arg(n, 2, 10, QChar(u'0'));
        t.episodes.push_back({n, name, clip, t.title + u'_' + name + QStringLiteral(".mp4")});
    }
    return t;
}

void describe(CatalogueTitle& t, const char* year, const char* region, const char* genre,
              const char* director, const char* cast, const char* score, const char* summary) {
    t.year = QString::fromUtf8(year);
    t.region = QString::fromUtf8(region);
    t.genre = QString::fromUtf8(genre);
    t.director = QString::fromUtf8(director);
    t.cast = QString::fromUtf8(cast);
    t.score = QString::fromUtf8(score);
    t.summary = QString::fromUtf8(summary);
}

void paint(CatalogueTitle& t, const char* a, const char* b, const char* motif) {
    t.colour_a = QString::fromUtf8(a);
    t.colour_b = QString::fromUtf8(b);
    t.motif = QString::fromUtf8(motif);
}

std::vector<CatalogueTitle> build() {
    std::vector<CatalogueTitle> all;

    CatalogueTitle t = film(1001, "长河落日", "film_1001.mp4");
    describe(t, "2009", "中国大陆", "剧情", "林远舟", "陈默 / 苏晓禾 / 周启明", "8.4",
             "黄河边的小城里，老船工守着一条渡船过了大半辈子。儿子从南方归来，"
             "想劝父亲卖掉渡船搬进城里。一个夏天，父子二人在河上往返，"
             "把多年没说出口的话一句句说开。");
    paint(t, "#3a2410", "#c0782c", "sun");
    all.push_back(t);

    t = film(1002, "星海信号", "film_1002.mp4");
    describe(t, "2010", "中国大陆", "科幻 / 冒险", "许嘉言", "韩川 / 顾念 / 白一鸣", "8.1",
             "深空观测站收到一段来自猎户座方向的规律信号。年轻的工程师顾念发现，"
             "信号里藏着一张指向地球的星图。在各方压力下，观测站的五个人必须在"
             "七十二小时内决定是否回应。");
    paint(t, "#081830", "#2c7cc0", "stars");
    all.push_back(t);

    t = film(1003, "雾城来客", "film_1003.mp4");
    describe(t, "2008", "中国香港", "悬疑 / 犯罪", "梁志恒", "黎家明 / 方慧珊 / 何子健", "7.9",
             "大雾封港的三天里，一名自称记者的陌生人住进了旧城区的小旅馆。"
             "旅馆老板发现他每晚都会在码头等一艘早已停航的渡轮，"
             "而二十年前的一桩旧案正随着浓雾慢慢浮出水面。");
    paint(t, "#202428", "#607080", "fog");
    all.push_back(t);

    t = film(1004, "纸飞机", "film_1004.mp4");
    t.v = 2;
    t.player_type = QStringLiteral("web");
    t.line_name = QStringLiteral("线路二：网页播放");
    t.episodes.front().name = QStringLiteral("网页版");
    describe(t, "2010", "中国大陆", "动画 / 家庭", "唐小雨", "（配音）林朵朵 / 王乐 / 宋佳音",
             "8.7",
             "九岁的小满把心愿写在纸飞机上，从楼顶放了出去。"
             "纸飞机越过屋顶、河流和田野，落到了一个又一个陌生人的手里，"
             "也把他们的故事带回了小满身边。");
    paint(t, "#204a30", "#90c860", "plane");
    all.push_back(t);

    t = film(1005, "山那边的风", "film_1005.mp4");
    describe(t, "2009", "中国大陆", "纪录片", "何远", "（旁白）孙立群", "9.0",
             "摄制组用一年时间跟随一支牧民家庭转场，从冬牧场走到夏牧场。"
             "镜头记录下风雪、接羔、迁徙和草原上的四季，也记录下一家三代人的日常。");
    paint(t, "#183820", "#7aa050", "hills");
    all.push_back(t);

    t = series(2001, "流浪者", "series_2001", 6);
    describe(t, "2010", "中国大陆", "剧情 / 年代", "周以宁", "赵川 / 许若溪 / 孟广林 / 唐颖", "8.6",
             "上世纪八十年代，少年阿川背着一把旧吉他离开家乡，一路向南。"
             "他在码头扛过货，在夜市唱过歌，也在一座陌生的城市里找到了朋友和爱情。"
             "一部关于离开与归来的成长故事。");
    paint(t, "#203a60", "#6a2c70", "road");
    all.push_back(t);

    t = series(2002, "江湖夜雨", "series_2002", 5);
    t.finished = false;
    describe(t, "2009", "中国大陆", "武侠 / 古装", "宋青山", "叶寒 / 柳如烟 / 秦岳 / 萧晚晴", "8.2",
             "镖局少主叶寒押送一只神秘木匣北上，途中遭遇连番截杀。"
             "一个雨夜，他在破庙里遇见了自称琴师的女子柳如烟，"
             "木匣里的秘密与十年前的一场灭门血案由此缠在了一起。");
    paint(t, "#400c10", "#b03a28", "rain");
    all.push_back(t);

    return all;
}

} // namespace

QString CatalogueTitle::key(const CatalogueEpisode& episode) const {
    return QString::number(id) + u'-' + QString::number(v) + u'-' + QString::number(episode.v1) +
           u'-' + js_escape(title);
}

QString CatalogueTitle::status() const {
    if (!series)
        return QStringLiteral("电影");
    if (finished)
        return QStringLiteral("全%1集").arg(episodes.size());
    return QStringLiteral("更新至第%1集").arg(episodes.size());
}

const std::vector<CatalogueTitle>& catalogue() {
    static const std::vector<CatalogueTitle> all = build();
    return all;
}

const CatalogueTitle* find_title(qint64 id) {
    for (const CatalogueTitle& t : catalogue()) {
        if (t.id == id)
            return &t;
    }
    return nullptr;
}

const CatalogueEpisode* find_episode(const CatalogueTitle& title, int v, int v1) {
    if (v != title.v)
        return nullptr;
    for (const CatalogueEpisode& e : title.episodes) {
        if (e.v1 == v1)
            return &e;
    }
    return nullptr;
}

} // namespace kelvara::demo
