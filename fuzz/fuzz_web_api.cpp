// The web console's requests as any client on the network may send them,
// with or without the operator's session cookie and CSRF token. Input: one
// byte of flags (1 cookie, 2 token, 4 POST else GET, 8 JSON content type),
// then the path (with its query) up to the first line end, then the body.
// Properties: every answer is one of the statuses the console gives, an
// error answer says why in JSON, nothing reaches the program without the
// session and its token, and what does reach it is checked: a callsign of
// callsign characters, choices from their lists, numbers in range, a chat
// line that is neither a command nor more than one line.
#include "FuzzCheck.h"
#include "web/UserStore.h"
#include "web/WebApi.h"
#include "web/WebHost.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QSet>
#include <QTemporaryDir>
#include <QUrlQuery>

#include <cstdint>
#include <memory>

using namespace gavelry::web;

// The pages are built into the web library; the server registers them.
static void registerPages() { Q_INIT_RESOURCE(pages); }

namespace {

class Host : public WebHost {
public:
    qint64 now = 1000;
    bool mayReach = false; ///< the request carries the operator's session and token

    qint64 nowMs() const override { return now; }
    StatusView status() const override { return {}; }
    ActionResult act(const ActionRequest &r, const QString &) override
    {
        FUZZ_CHECK(mayReach);
        static const QSet<QString> notices{QString(), QStringLiteral("with"), QStringLiteral("without"),
                                           QStringLiteral("persistent")};
        static const QSet<QString> listings{QString(), QStringLiteral("users"), QStringLiteral("admins"),
                                            QStringLiteral("muted"), QStringLiteral("banned"), QStringLiteral("stats")};
        FUZZ_CHECK(!r.name.isEmpty());
        for (QChar c : r.call)
            FUZZ_CHECK(c.unicode() < 128 && (c.isLetterOrNumber() || QStringLiteral("-/*_").contains(c)));
        FUZZ_CHECK(notices.contains(r.notice));
        FUZZ_CHECK(listings.contains(r.which));
        FUZZ_CHECK(r.timedMinutes >= 0 && r.timedMinutes <= 9999);
        FUZZ_CHECK(r.slot >= 0 && r.slot <= 5);
        return {true, {}, {}};
    }
    ActionResult sendChat(const QString &text, const QString &) override
    {
        FUZZ_CHECK(mayReach);
        FUZZ_CHECK(!text.contains(u'\n') && !text.contains(u'\r'));
        FUZZ_CHECK(!text.trimmed().startsWith(u'.'));
        return {true, {}, {}};
    }
    QStringList logLines(int) const override { return {}; }
    QStringList chatLines(int) const override { return {}; }
    void audit(const QString &, const QString &) override {}
    void setListener(WebListener *) override {}
};

struct Console {
    QTemporaryDir dir;
    Host host;
    std::unique_ptr<UserStore> users;
    std::unique_ptr<WebApi> api;
    QByteArray cookie;
    QByteArray csrf;

    Console()
    {
        registerPages();
        users = std::make_unique<UserStore>(dir.path(), UserStore::Cost::Minimal);
        QString why;
        FUZZ_CHECK(users->add(QStringLiteral("op"), Role::Operator, QStringLiteral("operator-pass"), why));
        api = std::make_unique<WebApi>(host, *users, false);
    }

    /// The operator's session, logged in again when it ended (a fuzzed log-out).
    void ensureSession()
    {
        HttpRequest probe{"GET", QStringLiteral("/api/session"), {}, {{"Cookie", cookie}}, {}, QStringLiteral("::1")};
        if (!cookie.isEmpty() && api->handle(probe).status == 200)
            return;
        HttpRequest login{"POST", QStringLiteral("/api/login"), {}, {{"Content-Type", "application/json"}},
                          R"({"user":"op","password":"operator-pass"})", QStringLiteral("::1")};
        host.now += 10 * 1000; // past the log-in checks' limit
        const HttpReply r = api->handle(login);
        FUZZ_CHECK(r.status == 200);
        for (const Header &h : r.headers)
            if (h.first == "Set-Cookie")
                cookie = h.second.left(h.second.indexOf(';'));
        csrf = QJsonDocument::fromJson(r.body).object().value(QStringLiteral("csrf")).toString().toLatin1();
    }
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    static Console console;
    if (size < 1)
        return 0;
    console.ensureSession();
    const uint8_t flags = data[0];
    const QByteArray rest(reinterpret_cast<const char *>(data + 1), qsizetype(size - 1));
    const qsizetype end = rest.indexOf('\n');
    const QString target = QString::fromUtf8(end < 0 ? rest : rest.left(end));
    const qsizetype q = target.indexOf(u'?');

    HttpRequest r;
    r.method = (flags & 4) ? "POST" : "GET";
    r.path = q < 0 ? target : target.left(q);
    r.query = QUrlQuery(q < 0 ? QString() : target.mid(q + 1));
    r.body = end < 0 ? QByteArray() : rest.mid(end + 1);
    r.peer = QStringLiteral("192.0.2.%1").arg(flags >> 4); // a few addresses, so the lock-out is met too
    if (flags & 1)
        r.headers.append(Header{"Cookie", console.cookie});
    if (flags & 2)
        r.headers.append(Header{"X-CSRF-Token", console.csrf});
    if (flags & 8)
        r.headers.append(Header{"Content-Type", "application/json"});
    console.host.mayReach = (flags & 3) == 3;
    console.host.now += 700;

    const HttpReply reply = console.api->handle(r);
    static const QSet<int> statuses{200, 400, 401, 403, 404, 405, 413, 415, 429, 503};
    FUZZ_CHECK(statuses.contains(reply.status));
    if (reply.status != 200)
        FUZZ_CHECK(QJsonDocument::fromJson(reply.body).object().value(QStringLiteral("error")).isString());
    return 0;
}
