#include "queue/QueueStore.h"

#include "queue/QueueEntry.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>
#include <QSet>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QStandardPaths>

namespace {

constexpr int SchemaVersion = 1;
// SQLite's result codes that mean "someone else has it": not damage.
constexpr int SqliteBusy = 5;
constexpr int SqliteLocked = 6;
constexpr int SqlitePermission = 3;
constexpr int SqliteReadOnly = 8;
constexpr int SqliteCantOpen = 14;

// The settings a row was queued with, by name: a field added later reads
// as its default from an older row.
// A field added to ConversionSettings needs its line in both functions
// below, or kept rows come back without it.
static_assert(sizeof(ConversionSettings) == 40, "every field of ConversionSettings is stored");

QString settingsToJson(const ConversionSettings &s)
{
    QJsonObject object;
    object.insert(QLatin1String("algorithm"), s.algorithm);
    object.insert(QLatin1String("audioFormat"), s.audioFormat);
    object.insert(QLatin1String("audioBitrate"), s.audioBitrate);
    object.insert(QLatin1String("sourceFrequency"), s.sourceFrequency);
    object.insert(QLatin1String("targetFrequency"), s.targetFrequency);
    object.insert(QLatin1String("sampleRate"), s.sampleRate);
    object.insert(QLatin1String("keepVideo"), s.keepVideo);
    object.insert(QLatin1String("skipExisting"), s.skipExisting);
    object.insert(QLatin1String("detectSourcePitch"), s.detectSourcePitch);
    object.insert(QLatin1String("keepFormants"), s.keepFormants);
    return QString::fromUtf8(QJsonDocument(object).toJson(QJsonDocument::Compact));
}

ConversionSettings settingsFromJson(const QString &json)
{
    const QJsonObject o = QJsonDocument::fromJson(json.toUtf8()).object();
    ConversionSettings s;
    s.algorithm = o.value(QLatin1String("algorithm")).toInt(s.algorithm);
    s.audioFormat = o.value(QLatin1String("audioFormat")).toInt(s.audioFormat);
    s.audioBitrate = o.value(QLatin1String("audioBitrate")).toInt(s.audioBitrate);
    s.sourceFrequency = o.value(QLatin1String("sourceFrequency")).toDouble(s.sourceFrequency);
    s.targetFrequency = o.value(QLatin1String("targetFrequency")).toDouble(s.targetFrequency);
    s.sampleRate = o.value(QLatin1String("sampleRate")).toInt(s.sampleRate);
    s.keepVideo = o.value(QLatin1String("keepVideo")).toBool(s.keepVideo);
    s.skipExisting = o.value(QLatin1String("skipExisting")).toBool(s.skipExisting);
    s.detectSourcePitch = o.value(QLatin1String("detectSourcePitch")).toBool(s.detectSourcePitch);
    s.keepFormants = o.value(QLatin1String("keepFormants")).toBool(s.keepFormants);
    return s;
}

// Names as bytes: a name that is not UTF-8 comes back as it was.
QByteArray pathBytes(const QString &path)
{
    return QFile::encodeName(path);
}

QString pathOf(const QVariant &bytes)
{
    return QFile::decodeName(bytes.toByteArray());
}

// The output a conversion published before the program ended, found by
// its name (the source's, or numbered) and its time: written after the
// conversion began. The moment between publishing and saving the row is
// short, but a kill can fall into it, and the file must not be made twice.
QString publishedOutput(const QueueEntry &entry, qint64 startedMs, const QSet<QString> &claimed)
{
    if (startedMs <= 0)
        return QString();
    const QString base = QFileInfo(entry.filePath()).completeBaseName();
    const QRegularExpression name(QStringLiteral("^%1(_\\d+)?\\.[^.]+$").arg(QRegularExpression::escape(base)));
    const QDir folder(entry.targetDirectory());
    // A second of slack for file systems that keep whole seconds.
    const QDateTime since = QDateTime::fromMSecsSinceEpoch(startedMs - 1000);
    for (const QFileInfo &file : folder.entryInfoList(QDir::Files)) {
        if (name.match(file.fileName()).hasMatch() && file.lastModified() >= since
            && !claimed.contains(file.absoluteFilePath()) && file.absoluteFilePath() != entry.filePath())
            return file.absoluteFilePath();
    }
    return QString();
}

} // namespace

QueueStore::QueueStore(QObject *parent)
    : QObject(parent)
{
}

QueueStore::~QueueStore()
{
    close();
}

QString QueueStore::defaultPath()
{
    return QStandardPaths::writableLocation(QStandardPaths::AppDataLocation) + QStringLiteral("/queue.sqlite");
}

bool QueueStore::open(const QString &path)
{
    close();
    m_problem = TranslatableText();
    m_path = path;
    if (!QDir().mkpath(QFileInfo(path).path())) {
        m_problem = tr("The queue cannot be saved: the folder %1 cannot be made.").arg(QFileInfo(path).path());
        return false;
    }
    QString error;
    QString code;
    if (openFile(path, &error, &code))
        return true;
    const int result = code.toInt() & 0xff;
    if (result == SqliteBusy || result == SqliteLocked) {
        m_problem = tr("The saved queue is in use by another program (%1); this queue will not be saved.").arg(error);
        return false;
    }
    if (result == SqlitePermission || result == SqliteReadOnly || result == SqliteCantOpen) {
        m_problem = tr("The queue cannot be saved in %1: %2.").arg(path, error);
        return false;
    }
    // Anything else is damage: the file is kept for whoever wants to look
    // at it, and a new queue begins.
    moveAside(path);
    if (!openFile(path, &error, &code)) {
        m_problem = tr("The queue cannot be saved in %1: %2.").arg(path, error);
        return false;
    }
    return true;
}

bool QueueStore::openFile(const QString &path, QString *error, QString *code)
{
    static int s_connections = 0;
    const QString name = QStringLiteral("tunewise-queue-%1").arg(++s_connections);
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
        db.setDatabaseName(path);
        // A moment's lock (a backup tool reading it) is waited out.
        db.setConnectOptions(QStringLiteral("QSQLITE_BUSY_TIMEOUT=1000"));
        if (!db.isValid()) {
            *error = tr("Qt's SQLite driver is missing");
            *code = QStringLiteral("14");
        } else if (db.open()) {
            m_connection = name;
            if (prepareSchema(error, code))
                return true;
        } else {
            *error = db.lastError().text();
            *code = db.lastError().nativeErrorCode();
        }
    }
    close();
    QSqlDatabase::removeDatabase(name);
    return false;
}

// Write-ahead logging with normal syncing loses nothing when the program
// is killed, and keeps each change to a write without waiting for the disk.
bool QueueStore::prepareSchema(QString *error, QString *code)
{
    QSqlQuery query(QSqlDatabase::database(m_connection, false));
    const auto failed = [&] {
        *error = query.lastError().text();
        *code = query.lastError().nativeErrorCode();
        return false;
    };
    if (!query.exec(QStringLiteral("PRAGMA journal_mode = WAL"))
        || !query.exec(QStringLiteral("PRAGMA synchronous = NORMAL")))
        return failed();
    if (!query.exec(QStringLiteral("PRAGMA quick_check")) || !query.next())
        return failed();
    if (query.value(0).toString() != QLatin1String("ok")) {
        *error = query.value(0).toString();
        return false;
    }
    if (!query.exec(QStringLiteral("PRAGMA user_version")) || !query.next())
        return failed();
    const int version = query.value(0).toInt();
    if (version == 0) {
        if (!query.exec(QStringLiteral(
                "CREATE TABLE entries (id INTEGER PRIMARY KEY AUTOINCREMENT, source BLOB NOT NULL, "
                "target BLOB NOT NULL, settings TEXT NOT NULL, state INTEGER NOT NULL, output BLOB, "
                "measured REAL NOT NULL DEFAULT 0, reason TEXT, warnings TEXT, started INTEGER NOT NULL DEFAULT 0)"))
            || !query.exec(QStringLiteral("PRAGMA user_version = %1").arg(SchemaVersion)))
            return failed();
    } else if (version != SchemaVersion) {
        *error = tr("it was written by another version");
        return false;
    }
    // Every row must read: a damaged page shows here rather than later.
    if (!query.exec(QStringLiteral("SELECT count(*), sum(length(source) + length(settings)) FROM entries")))
        return failed();
    return true;
}

void QueueStore::moveAside(const QString &path)
{
    const QString aside =
        path + QStringLiteral(".damaged-") + QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMdd-HHmmss"));
    QFile::rename(path, aside);
    for (const char *suffix : {"-wal", "-shm"})
        QFile::rename(path + QLatin1String(suffix), aside + QLatin1String(suffix));
    m_problem = tr("The saved queue could not be read; it was moved to %1, and the queue begins empty.").arg(aside);
}

void QueueStore::close()
{
    if (m_connection.isEmpty())
        return;
    const QString name = m_connection;
    m_connection.clear();
    m_ids.clear();
    QSqlDatabase::database(name, false).close();
    QSqlDatabase::removeDatabase(name);
}

bool QueueStore::execute(const QString &sql, const QVariantList &values)
{
    QSqlQuery query(QSqlDatabase::database(m_connection, false));
    bool done = query.prepare(sql);
    for (const QVariant &value : values)
        query.addBindValue(value);
    done = done && query.exec();
    if (!done)
        m_lastError = query.lastError().text();
    return done;
}

template <typename Write>
void QueueStore::transaction(Write write)
{
    if (!isOpen())
        return;
    QString error;
    {
        QSqlDatabase db = QSqlDatabase::database(m_connection, false);
        m_lastError.clear();
        if (db.transaction() && write() && db.commit())
            return;
        error = m_lastError.isEmpty() ? db.lastError().text() : m_lastError;
        db.rollback();
    }
    close();
    Q_EMIT failed(tr("The queue can no longer be saved (%1); it goes on converting, but will not come back "
                     "after a restart.")
                      .arg(error.isEmpty() ? m_path : error));
}

QList<QueueEntry *> QueueStore::load()
{
    QList<QueueEntry *> entries;
    if (!isOpen())
        return entries;
    QSqlQuery query(QSqlDatabase::database(m_connection, false));
    if (!query.exec(QStringLiteral("SELECT id, source, target, settings, state, output, measured, reason, warnings, "
                                   "started FROM entries ORDER BY id")))
        return entries;
    QSet<QString> claimed;
    QList<QueueEntry *> converting;
    QHash<QueueEntry *, qint64> started;
    while (query.next()) {
        auto *entry = new QueueEntry(pathOf(query.value(1)), pathOf(query.value(2)),
                                     settingsFromJson(query.value(3).toString()));
        m_ids.insert(entry, query.value(0).toLongLong());
        const auto state = QueueEntry::State(query.value(4).toInt());
        ConversionResult result;
        result.outputPath = pathOf(query.value(5));
        result.measuredA4 = query.value(6).toDouble();
        result.message = query.value(7).toString();
        for (const QString &warning : query.value(8).toString().split(QLatin1Char('\n'), Qt::SkipEmptyParts))
            result.warnings << TranslatableText(warning);
        if (state == QueueEntry::S_Finished || state == QueueEntry::S_Skipped || state == QueueEntry::S_Failed) {
            result.status = state == QueueEntry::S_Finished  ? ConversionResult::Converted
                            : state == QueueEntry::S_Skipped ? ConversionResult::Skipped
                                                             : ConversionResult::Failed;
            entry->applyResult(result);
            claimed.insert(result.outputPath);
        } else if (state == QueueEntry::S_Processing) {
            converting << entry;
            started.insert(entry, query.value(9).toLongLong());
        }
        entries << entry;
    }
    for (QueueEntry *entry : qAsConst(converting)) {
        const QString output = publishedOutput(*entry, started.value(entry), claimed);
        if (output.isEmpty())
            continue;
        ConversionResult result;
        result.status = ConversionResult::Converted;
        result.outputPath = output;
        entry->applyResult(result);
        claimed.insert(output);
    }
    // Waiting again, or found finished.
    for (QueueEntry *entry : qAsConst(converting))
        update(entry);
    return entries;
}

void QueueStore::insert(const QList<QueueEntry *> &entries)
{
    transaction([&] {
        QSqlQuery query(QSqlDatabase::database(m_connection, false));
        if (!query.prepare(
                QStringLiteral("INSERT INTO entries (source, target, settings, state) VALUES (?, ?, ?, ?)")))
            return false;
        for (const QueueEntry *entry : entries) {
            query.addBindValue(pathBytes(entry->filePath()));
            query.addBindValue(pathBytes(entry->targetDirectory()));
            query.addBindValue(settingsToJson(entry->settings()));
            query.addBindValue(int(entry->state()));
            if (!query.exec()) {
                m_lastError = query.lastError().text();
                return false;
            }
            m_ids.insert(entry, query.lastInsertId().toLongLong());
        }
        return true;
    });
    for (const QueueEntry *entry : entries) {
        if (entry->state() != QueueEntry::S_Pending)
            update(entry);
    }
}

void QueueStore::update(const QueueEntry *entry)
{
    const auto id = m_ids.constFind(entry);
    if (id == m_ids.constEnd())
        return;
    // A conversion's start is kept, to know its output by later.
    const qint64 started = entry->state() == QueueEntry::S_Processing ? QDateTime::currentMSecsSinceEpoch() : 0;
    transaction([&] {
        return execute(QStringLiteral("UPDATE entries SET state = ?, output = ?, measured = ?, reason = ?, "
                                      "warnings = ?, started = ? WHERE id = ?"),
                       {int(entry->state()), pathBytes(entry->outputPath()), entry->measuredA4(), entry->reason(),
                        entry->warningTexts().join(QLatin1Char('\n')), started, *id});
    });
}

void QueueStore::remove(const QueueEntry *entry)
{
    const qint64 id = m_ids.take(entry);
    if (id > 0)
        transaction([&] { return execute(QStringLiteral("DELETE FROM entries WHERE id = ?"), {id}); });
}
