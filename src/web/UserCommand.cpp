#include "web/UserCommand.h"

#include "web/UserStore.h"

#include <csignal>
#include <sodium.h>
#include <termios.h>
#include <unistd.h>

namespace gavelry::web {

namespace {

/// The shortest password taken: a console on the network is guessed at.
constexpr int kShortestPassword = 8;

/// One line of in, without its line end; none at its end.
std::optional<QByteArray> readLine(FILE *in)
{
    QByteArray line;
    int c;
    while ((c = std::fgetc(in)) != EOF && c != '\n')
        line.append(char(c));
    if (c == EOF && line.isEmpty())
        return std::nullopt;
    if (line.endsWith('\r'))
        line.chop(1);
    return line;
}

/// The terminal's settings while a password is asked with echo off, for a
/// signal that ends the program meanwhile (Ctrl+C) to put back: a shell left
/// without echo looks dead to the sysop.
int g_echoFd = -1;
termios g_echoSettings{};
constexpr int kEndingSignals[] = {SIGINT, SIGTERM, SIGHUP, SIGQUIT};

extern "C" void restoreEchoAndEnd(int signal)
{
    if (g_echoFd >= 0)
        tcsetattr(g_echoFd, TCSAFLUSH, &g_echoSettings);
    std::signal(signal, SIG_DFL);
    std::raise(signal);
}

/// Asks at the terminal with echo off.
std::optional<QByteArray> askHidden(FILE *in, FILE *out, const char *prompt)
{
    const int fd = fileno(in);
    termios before{};
    const bool terminal = tcgetattr(fd, &before) == 0;
    struct sigaction previous[std::size(kEndingSignals)];
    if (terminal) {
        g_echoSettings = before;
        g_echoFd = fd;
        struct sigaction restore {};
        restore.sa_handler = restoreEchoAndEnd;
        sigemptyset(&restore.sa_mask);
        for (size_t i = 0; i < std::size(kEndingSignals); ++i)
            sigaction(kEndingSignals[i], &restore, &previous[i]);
        termios quiet = before;
        quiet.c_lflag &= ~tcflag_t(ECHO);
        tcsetattr(fd, TCSAFLUSH, &quiet);
    }
    // Echo goes off before the prompt shows: keys typed as soon as it does
    // are not shown either.
    std::fputs(prompt, out);
    std::fflush(out);
    std::optional<QByteArray> line = readLine(in);
    if (terminal) {
        tcsetattr(fd, TCSAFLUSH, &before);
        for (size_t i = 0; i < std::size(kEndingSignals); ++i)
            sigaction(kEndingSignals[i], &previous[i], nullptr);
        g_echoFd = -1;
        std::fputs("\n", out);
    }
    return line;
}

void wipe(std::optional<QByteArray> &secret)
{
    if (secret && !secret->isEmpty())
        sodium_memzero(secret->data(), size_t(secret->size()));
}

int add(UserStore &store, const QString &name, const QString &role, FILE *in, FILE *out, FILE *err)
{
    const std::optional<Role> r = roleFromName(role);
    if (!r) {
        std::fprintf(err, "gavelry: --web-user add needs --role viewer or --role operator\n");
        return 1;
    }
    if (!UserStore::validName(name)) {
        std::fprintf(err, "gavelry: '%s' is no user name: use 1 to 32 letters, digits, '.', '_' or '-'\n",
                     qPrintable(name));
        return 1;
    }
    std::optional<QByteArray> password;
    if (isatty(fileno(in))) {
        password = askHidden(in, out, "Password: ");
        std::optional<QByteArray> again = askHidden(in, out, "Password again: ");
        const bool same = password && again && *password == *again;
        wipe(again);
        if (!same) {
            wipe(password);
            std::fprintf(err, "gavelry: the two passwords differ; nothing changed\n");
            return 1;
        }
    } else {
        password = readLine(in);
    }
    if (!password || password->size() < kShortestPassword) {
        wipe(password);
        std::fprintf(err, "gavelry: the password needs at least %d characters; nothing changed\n", kShortestPassword);
        return 1;
    }
    QString why;
    const bool known = store.find(name) != nullptr;
    const bool ok = store.add(name, *r, QString::fromUtf8(*password), why);
    wipe(password);
    if (!ok) {
        std::fprintf(err, "gavelry: %s\n", qPrintable(why));
        return 1;
    }
    std::fprintf(out, "%s %s (%s) in %s\n", known ? "Changed" : "Added", qPrintable(name), qPrintable(role),
                 qPrintable(store.path()));
    return 0;
}

} // namespace

int runUserCommand(const QString &action, const QString &name, const QString &role, const QString &configDir,
                   FILE *in, FILE *out, FILE *err)
{
    UserStore store(configDir);
    if (action == QLatin1String("add"))
        return add(store, name, role, in, out, err);
    if (action == QLatin1String("remove")) {
        QString why;
        if (!store.remove(name, why)) {
            std::fprintf(err, "gavelry: %s\n", qPrintable(why));
            return 1;
        }
        std::fprintf(out, "Removed %s\n", qPrintable(name));
        return 0;
    }
    if (action == QLatin1String("list")) {
        for (const UserStore::User &u : store.users())
            std::fprintf(out, "%s %s\n", qPrintable(u.name), qPrintable(roleName(u.role)));
        return 0;
    }
    std::fprintf(err, "gavelry: --web-user: '%s' is not add, remove or list\n", qPrintable(action));
    return 1;
}

} // namespace gavelry::web
