#include "WebDavTestServer.h"

#include <QCryptographicHash>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QHostAddress>
#include <QRandomGenerator>
#include <QStandardPaths>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QThread>

#include <vector>

#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <pwd.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

constexpr int kStartTimeoutMs = 15000;
constexpr int kStopTimeoutMs = 5000;
constexpr int kPortAttempts = 3;

bool runsAsRoot()
{
    return ::geteuid() == 0;
}

QString binaryName(WebDavTestServer::Kind kind)
{
    switch (kind) {
    case WebDavTestServer::Kind::Apache:
        return QStringLiteral("apache2");
    case WebDavTestServer::Kind::Lighttpd:
        return QStringLiteral("lighttpd");
    case WebDavTestServer::Kind::Nginx:
        return QStringLiteral("nginx");
    case WebDavTestServer::Kind::Rclone:
        return QStringLiteral("rclone");
    }
    return QString();
}

QString findBinary(const QString &name)
{
    QString found = QStandardPaths::findExecutable(name);
    if (found.isEmpty()) // /usr/sbin is not on every user's PATH
        found = QStandardPaths::findExecutable(name, {QStringLiteral("/usr/sbin"), QStringLiteral("/sbin")});
    return found;
}

// Good enough to avoid clashes: the port is released before the server binds it, and a lost race makes
// the start fail and retry with another port.
quint16 freePort()
{
    QTcpServer probe;
    if (!probe.listen(QHostAddress::LocalHost, 0))
        return 0;
    return probe.serverPort();
}

bool writeText(const QString &path, const QByteArray &text, QFile::Permissions permissions)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(text) != text.size())
        return false;
    file.close();
    return file.setPermissions(permissions);
}

bool chownToDaemon(const QString &path)
{
    const passwd *daemon = ::getpwnam("daemon");
    return daemon && ::chown(QFile::encodeName(path).constData(), daemon->pw_uid, daemon->pw_gid) == 0;
}

QByteArray pathBytes(const QString &path)
{
    return QFile::encodeName(path);
}

} // namespace

WebDavTestServer::Capabilities WebDavTestServer::expectedCapabilities(Kind kind)
{
    switch (kind) {
    case Kind::Apache:
    case Kind::Lighttpd:
        return {true, true, false, true};
    case Kind::Nginx:
        return {false, false, false, true};
    case Kind::Rclone:
        return {false, false, false, false};
    }
    return {};
}

QString WebDavTestServer::kindName(Kind kind)
{
    switch (kind) {
    case Kind::Apache:
        return QStringLiteral("apache");
    case Kind::Lighttpd:
        return QStringLiteral("lighttpd");
    case Kind::Nginx:
        return QStringLiteral("nginx");
    case Kind::Rclone:
        return QStringLiteral("rclone");
    }
    return QString();
}

QString WebDavTestServer::packageName(Kind kind)
{
    switch (kind) {
    case Kind::Apache:
        return QStringLiteral("apache2 apache2-utils");
    case Kind::Lighttpd:
        return QStringLiteral("lighttpd lighttpd-mod-webdav");
    case Kind::Nginx:
        return QStringLiteral("nginx-extras");
    case Kind::Rclone:
        return QStringLiteral("rclone");
    }
    return QString();
}

std::unique_ptr<WebDavTestServer> WebDavTestServer::start(Kind kind, QString *error)
{
    const QString binary = findBinary(binaryName(kind));
    if (binary.isEmpty()) {
        *error = QStringLiteral("%1 is not installed (Debian package: %2); scripts/install-deps.sh installs it")
                     .arg(binaryName(kind), packageName(kind));
        return nullptr;
    }
    for (int attempt = 1; attempt <= kPortAttempts; ++attempt) {
        auto dir = std::make_unique<QTemporaryDir>(
            QDir::tempPath() + QStringLiteral("/webdav-%1-XXXXXX").arg(kindName(kind)));
        if (!dir->isValid()) {
            *error = QStringLiteral("cannot create a temporary folder: %1").arg(dir->errorString());
            return nullptr;
        }
        std::unique_ptr<WebDavTestServer> server(new WebDavTestServer(kind, std::move(dir)));
        if (!server->writeConfig(error) || !server->launch(binary, error))
            return nullptr;
        if (server->waitUntilAnswering(kStartTimeoutMs, error))
            return server;
        // Most often another program took the port between our probe and the server's bind.
        *error
            = QStringLiteral("%1 (attempt %2): %3\n%4").arg(kindName(kind)).arg(attempt).arg(*error, server->logText());
    }
    return nullptr;
}

WebDavTestServer::WebDavTestServer(Kind kind, std::unique_ptr<QTemporaryDir> dir)
    : m_kind(kind)
    , m_dir(std::move(dir))
    , m_password(QString::number(QRandomGenerator::system()->generate64(), 36))
    , m_port(freePort())
{ }

WebDavTestServer::~WebDavTestServer()
{
    stop();
}

QUrl WebDavTestServer::url() const
{
    return QUrl(QStringLiteral("http://127.0.0.1:%1/").arg(m_port));
}

QString WebDavTestServer::servedFolder() const
{
    return m_dir->filePath(QStringLiteral("served"));
}

QString WebDavTestServer::logText() const
{
    QString text;
    for (const QString &name :
        {QStringLiteral("error.log"), QStringLiteral("state/error.log"), QStringLiteral("output.log")}) {
        QFile log(m_dir->filePath(name));
        if (log.open(QIODevice::ReadOnly))
            text += QString::fromLocal8Bit(log.readAll().right(4000));
    }
    return text;
}

bool WebDavTestServer::writeConfig(QString *error)
{
    const QString root = m_dir->path();
    const QString served = servedFolder();
    const QString state = m_dir->filePath(QStringLiteral("state"));
    const bool dropToDaemon = runsAsRoot() && m_kind != Kind::Rclone;
    // Workers that dropped to "daemon" must be able to enter the folder and write below it.
    if (!QDir().mkpath(served) || !QDir().mkpath(state)
        || !QFile::setPermissions(root,
            QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner | QFile::ReadGroup | QFile::ExeGroup
                | QFile::ReadOther | QFile::ExeOther)
        || (dropToDaemon && (!chownToDaemon(served) || !chownToDaemon(state)))) {
        *error = QStringLiteral("cannot prepare the folders under %1").arg(root);
        return false;
    }
    // {SHA} entries are read by Apache, nginx, lighttpd and rclone alike, and need no htpasswd binary.
    const QByteArray sha = QCryptographicHash::hash(m_password.toUtf8(), QCryptographicHash::Sha1).toBase64();
    const QString passwords = m_dir->filePath(QStringLiteral("htpasswd"));
    const QFile::Permissions readable = QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup | QFile::ReadOther;
    if (!writeText(passwords, "tester:{SHA}" + sha + '\n', readable)) {
        *error = QStringLiteral("cannot write %1").arg(passwords);
        return false;
    }

    const QString port = QString::number(m_port);
    QString config;
    QString configName;
    switch (m_kind) {
    case Kind::Apache: {
        configName = QStringLiteral("httpd.conf");
        const QString modules = QStringLiteral("/usr/lib/apache2/modules");
        config = QStringLiteral("ServerRoot %1\nListen 127.0.0.1:%2\nPidFile %1/httpd.pid\nErrorLog %1/error.log\n"
                                "ServerName 127.0.0.1\n")
                     .arg(root, port);
        const char *const loaded[][2] = {{"mpm_event", "mpm_event"}, {"authz_core", "authz_core"},
            {"authn_core", "authn_core"}, {"authn_file", "authn_file"}, {"authz_user", "authz_user"},
            {"auth_basic", "auth_basic"}, {"dav", "dav"}, {"dav_fs", "dav_fs"}, {"alias", "alias"}};
        for (const auto &module : loaded)
            config += QStringLiteral("LoadModule %1_module %2/mod_%3.so\n")
                          .arg(QLatin1String(module[0]), modules, QLatin1String(module[1]));
        if (dropToDaemon)
            config += QStringLiteral("User daemon\nGroup daemon\n");
        // Since 2.4.54 the default body limit is 1 GiB; keep-alive without a request cap and sendfile
        // keep the server from being the slow side of a benchmark.
        config += QStringLiteral("LimitRequestBody 0\nKeepAlive On\nMaxKeepAliveRequests 0\nEnableSendfile On\n"
                                 "DavLockDB %1/DavLock\nDocumentRoot %2\n<Directory %2>\n  Dav On\n"
                                 "  AuthType Basic\n  AuthName \"webdav\"\n  AuthUserFile %3\n  Require valid-user\n"
                                 "</Directory>\n")
                      .arg(state, served, passwords);
        m_arguments = QStringList{QStringLiteral("-f"), m_dir->filePath(configName), QStringLiteral("-DFOREGROUND")};
        break;
    }
    case Kind::Lighttpd:
        configName = QStringLiteral("lighttpd.conf");
        config = QStringLiteral("server.document-root = \"%1\"\nserver.bind = \"127.0.0.1\"\nserver.port = %2\n"
                                "server.errorlog = \"%4/error.log\"\n"
                                "server.modules = (\"mod_webdav\", \"mod_auth\", \"mod_authn_file\")\n"
                                "auth.backend = \"htpasswd\"\nauth.backend.htpasswd.userfile = \"%3\"\n"
                                "auth.require = (\"\" => (\"method\" => \"basic\", \"realm\" => \"webdav\", "
                                "\"require\" => \"valid-user\"))\n"
                                "webdav.activate = \"enable\"\nwebdav.is-readonly = \"disable\"\n"
                                "webdav.sqlite-db-name = \"%4/webdav.db\"\n"
                                "webdav.opts += (\"partial-put-copy-modify\" => \"enable\")\n")
                     .arg(served, port, passwords, state);
        if (dropToDaemon) // lighttpd opens its error log and the property database after the switch
            config += QStringLiteral("server.username = \"daemon\"\nserver.groupname = \"daemon\"\n");
        m_arguments = QStringList{QStringLiteral("-D"), QStringLiteral("-f"), m_dir->filePath(configName)};
        break;
    case Kind::Nginx: {
        configName = QStringLiteral("nginx.conf");
        const QString temp = state + QStringLiteral("/body");
        if (!QDir().mkpath(temp) || (dropToDaemon && !chownToDaemon(temp))) {
            *error = QStringLiteral("cannot create %1").arg(temp);
            return false;
        }
        config = QStringLiteral("load_module /usr/lib/nginx/modules/ngx_http_dav_ext_module.so;\n");
        if (dropToDaemon)
            config += QStringLiteral("user daemon daemon;\n");
        config += QStringLiteral(
            "worker_processes 1;\ndaemon off;\npid %1/nginx.pid;\nerror_log %1/error.log;\n"
            "events { worker_connections 256; }\n"
            "http {\n  access_log off;\n  sendfile on;\n  client_max_body_size 0;\n"
            "  client_body_temp_path %2;\n  proxy_temp_path %2;\n  fastcgi_temp_path %2;\n"
            "  uwsgi_temp_path %2;\n  scgi_temp_path %2;\n"
            "  server {\n    listen 127.0.0.1:%3;\n    root %4;\n    location / {\n"
            "      auth_basic \"webdav\";\n      auth_basic_user_file %5;\n"
            "      dav_methods PUT DELETE MKCOL COPY MOVE;\n      dav_ext_methods PROPFIND OPTIONS;\n"
            "      create_full_put_path on;\n      dav_access user:rw group:rw all:r;\n    }\n  }\n}\n")
                      .arg(root, temp, port, served, passwords);
        // -e: the error log before the config is read, so a non-root run never touches /var/log/nginx.
        m_arguments = QStringList{QStringLiteral("-p"), root, QStringLiteral("-e"),
            m_dir->filePath(QStringLiteral("error.log")), QStringLiteral("-c"), m_dir->filePath(configName)};
        break;
    }
    case Kind::Rclone:
        // The password stays out of the command line (and so out of ps) through the htpasswd file.
        m_arguments = QStringList{QStringLiteral("serve"), QStringLiteral("webdav"), served, QStringLiteral("--addr"),
            QStringLiteral("127.0.0.1:") + port, QStringLiteral("--htpasswd"), passwords, QStringLiteral("--config"),
            m_dir->filePath(QStringLiteral("rclone.conf"))};
        return true;
    }
    if (!writeText(m_dir->filePath(configName), config.toUtf8(), readable)) {
        *error = QStringLiteral("cannot write the %1 configuration").arg(kindName(m_kind));
        return false;
    }
    return true;
}

namespace {

// The first child of launch(): leader of the server's process group, it stays with the caller's
// user while the server may drop to "daemon" (which clears a parent-death signal). It ends with the
// server, and when the test process dies first it kills the whole group, so no server outlives its
// test even after a crash or SIGKILL. Only async-signal-safe calls: the caller has threads.
[[noreturn]] void superviseServer(pid_t parent, int output, char *const argv[])
{
    ::setsid();
    struct sigaction ignore = {};
    ignore.sa_handler = SIG_IGN;
    ::sigaction(SIGTERM, &ignore, nullptr); // stop() signals the group; the server's exit ends us
    if (::getppid() != parent)
        ::_exit(126);
    const pid_t server = ::fork();
    if (server == 0) {
        struct sigaction standard = {};
        standard.sa_handler = SIG_DFL;
        ::sigaction(SIGTERM, &standard, nullptr); // an ignored signal would stay ignored across exec
        ::dup2(output, STDOUT_FILENO);
        ::dup2(output, STDERR_FILENO);
        const int null = ::open("/dev/null", O_RDONLY);
        if (null >= 0)
            ::dup2(null, STDIN_FILENO);
        ::execv(argv[0], argv);
        ::_exit(127);
    }
    if (server < 0)
        ::_exit(125);
    const struct timespec pause = {0, 20 * 1000 * 1000};
    forever {
        int status = 0;
        if (::waitpid(server, &status, WNOHANG) != 0)
            ::_exit(0);
        if (::getppid() != parent) {
            ::kill(0, SIGKILL);
            ::_exit(1);
        }
        ::nanosleep(&pause, nullptr);
    }
}

} // namespace

// fork/exec rather than QProcess: Qt 5 cannot make the child a process-group leader, and a group is
// what lets stop() reach the workers the server forks.
bool WebDavTestServer::launch(const QString &binary, QString *error)
{
    std::vector<QByteArray> storage{pathBytes(binary)};
    for (const QString &argument : qAsConst(m_arguments))
        storage.push_back(pathBytes(argument));
    std::vector<char *> argv;
    for (QByteArray &argument : storage)
        argv.push_back(argument.data());
    argv.push_back(nullptr);
    const QByteArray outputPath = pathBytes(m_dir->filePath(QStringLiteral("output.log")));
    const int output = ::open(outputPath.constData(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (output < 0) {
        *error = QStringLiteral("cannot open %1").arg(QString::fromLocal8Bit(outputPath));
        return false;
    }
    const pid_t parent = ::getpid();
    const pid_t pid = ::fork();
    if (pid == 0)
        superviseServer(parent, output, argv.data());
    ::close(output);
    if (pid < 0) {
        *error = QStringLiteral("fork failed: %1").arg(QString::fromLocal8Bit(::strerror(errno)));
        return false;
    }
    m_pid = pid;
    return true;
}

bool WebDavTestServer::isRunning() const
{
    if (m_pid <= 0)
        return false;
    siginfo_t info{};
    // WNOWAIT: look without reaping, so the group id stays ours until stop() has signalled it.
    return ::waitid(P_PID, id_t(m_pid), &info, WEXITED | WNOHANG | WNOWAIT) == 0 && info.si_pid == 0;
}

bool WebDavTestServer::waitUntilAnswering(int timeoutMs, QString *error)
{
    const QByteArray request = "OPTIONS / HTTP/1.1\r\nHost: 127.0.0.1\r\nAuthorization: Basic "
        + (user() + QLatin1Char(':') + m_password).toUtf8().toBase64() + "\r\nConnection: close\r\n\r\n";
    const QDeadlineTimer deadline(timeoutMs);
    while (!deadline.hasExpired()) {
        if (!isRunning()) {
            *error = QStringLiteral("the server exited during start-up");
            stop();
            return false;
        }
        QTcpSocket socket;
        socket.connectToHost(QHostAddress::LocalHost, m_port);
        if (socket.waitForConnected(200)) {
            socket.write(request);
            QByteArray answer;
            while (answer.size() < 12 && socket.waitForReadyRead(1000))
                answer += socket.readAll();
            // 2xx: the server is up and our credentials work; 401 here means the password file is not read.
            if (answer.startsWith("HTTP/1.") && answer.mid(9, 1) == "2")
                return true;
            if (answer.startsWith("HTTP/1.")) {
                *error = QStringLiteral("the server answers OPTIONS with: %1")
                             .arg(QString::fromLatin1(answer.left(answer.indexOf('\r'))));
                stop();
                return false;
            }
        }
        QThread::msleep(50);
    }
    *error = QStringLiteral("no answer on port %1 within %2 ms").arg(m_port).arg(timeoutMs);
    stop();
    return false;
}

void WebDavTestServer::stop()
{
    if (m_pid <= 0)
        return;
    ::kill(-m_pid, SIGTERM);
    const QDeadlineTimer deadline(kStopTimeoutMs);
    while (isRunning() && !deadline.hasExpired())
        QThread::msleep(20);
    // Whatever is left of the group (workers that outlived their parent, or a server that ignored TERM).
    ::kill(-m_pid, SIGKILL);
    int status = 0;
    ::waitpid(m_pid, &status, 0);
    m_pid = -1;
}
