#include "sync/Schema.h"

const QList<QStringList>& SchemaUpgrades()
{
    static const QList<QStringList> upgrades{
        {
            // A time-file line as sent by a station, once: the key is where it lies in the
            // station's file. moment_key orders lines by the date and time they read.
            QStringLiteral("CREATE TABLE IF NOT EXISTS horodex_punch ("
                           " station text NOT NULL,"
                           " employee text NOT NULL,"
                           " byte_offset bigint NOT NULL CHECK (byte_offset >= 0),"
                           " line bytea NOT NULL CHECK (length(line) = 31),"
                           " moment_key bytea NOT NULL,"
                           " is_in boolean NOT NULL,"
                           " received timestamptz NOT NULL DEFAULT now(),"
                           " CONSTRAINT horodex_punch_once PRIMARY KEY (station, employee, "
                           "byte_offset))"),
            QStringLiteral("CREATE INDEX IF NOT EXISTS horodex_punch_by_time ON horodex_punch "
                           "(employee, moment_key, station, byte_offset)"),
            // How many lines and INs each employee has per third of a month (the key's first
            // seven characters), kept with the lines by the statement that stores them, so that
            // a report need not count the years before its pay period.
            QStringLiteral("CREATE TABLE IF NOT EXISTS horodex_punch_tally ("
                           " employee text NOT NULL,"
                           " bucket bytea NOT NULL,"
                           " lines bigint NOT NULL,"
                           " ins bigint NOT NULL,"
                           " PRIMARY KEY (employee, bucket))"),
            // names.nms and options.ini as the head station stored them, every revision kept.
            QStringLiteral("CREATE TABLE IF NOT EXISTS horodex_shared_file ("
                           " name text NOT NULL,"
                           " revision bigint NOT NULL CHECK (revision > 0),"
                           " bytes bytea NOT NULL,"
                           " station text NOT NULL,"
                           " stored timestamptz NOT NULL DEFAULT now(),"
                           " PRIMARY KEY (name, revision))"),
        },
        {
            // Corrections at the head station: the lines of a corrected time card replace the
            // employee's lines, which stay, marked, for the record.
            QStringLiteral("ALTER TABLE horodex_punch ADD COLUMN IF NOT EXISTS removed boolean "
                           "NOT NULL DEFAULT false"),
            // The record of corrections, one corrections.log line per row, chained alike.
            QStringLiteral("CREATE TABLE IF NOT EXISTS horodex_correction ("
                           " seq bigserial PRIMARY KEY,"
                           " employee text NOT NULL,"
                           " line text NOT NULL,"
                           " stored timestamptz NOT NULL DEFAULT now())"),
        },
        {
            // Reports read each employee's lines in time order from this index alone, without
            // visiting the table's rows.
            QStringLiteral("CREATE INDEX IF NOT EXISTS horodex_punch_lines ON horodex_punch "
                           "(employee, moment_key, station, byte_offset) INCLUDE (line) "
                           "WHERE NOT removed"),
        },
        {
            // The files of each station have an identity of their own (origin), part of the
            // key: a station name used again by a replacement or a second computer never
            // shares a key with the lines of the first.
            QStringLiteral("ALTER TABLE horodex_punch ADD COLUMN IF NOT EXISTS origin text NOT "
                           "NULL DEFAULT ''"),
            QStringLiteral("ALTER TABLE horodex_punch DROP CONSTRAINT IF EXISTS "
                           "horodex_punch_once"),
            QStringLiteral("ALTER TABLE horodex_punch ADD CONSTRAINT horodex_punch_once PRIMARY "
                           "KEY (station, origin, employee, byte_offset)"),
            QStringLiteral("CREATE INDEX IF NOT EXISTS horodex_punch_by_station ON horodex_punch "
                           "(station, employee)"),
            // Lines of one minute are ordered by when the server received them.
            QStringLiteral("DROP INDEX IF EXISTS horodex_punch_lines"),
            QStringLiteral("DROP INDEX IF EXISTS horodex_punch_by_time"),
            QStringLiteral("CREATE INDEX IF NOT EXISTS horodex_punch_lines ON horodex_punch "
                           "(employee, moment_key, received, station, origin, byte_offset) "
                           "INCLUDE (line) WHERE NOT removed"),
            // Every station's last contact, so that two computers claiming one name hear of it.
            QStringLiteral("CREATE TABLE IF NOT EXISTS horodex_station ("
                           " id text PRIMARY KEY,"
                           " name text NOT NULL,"
                           " role text NOT NULL,"
                           " host text NOT NULL,"
                           " machine text NOT NULL,"
                           " folder text NOT NULL,"
                           " last_contact timestamptz NOT NULL DEFAULT now())"),
            // The one station whose employee list and settings the others take.
            QStringLiteral("CREATE TABLE IF NOT EXISTS horodex_head ("
                           " one boolean PRIMARY KEY DEFAULT true CHECK (one),"
                           " id text NOT NULL,"
                           " name text NOT NULL,"
                           " since timestamptz NOT NULL DEFAULT now())"),
        },
        {
            // Where an origin's lines come from. A re-send of a rewritten file replaces its base
            // (base_length 0: it holds the whole file); a restored or copied file continues its
            // base's first base_length bytes with lines of its own. length and digest are those
            // of the file when the origin was made, so that a retry knows its own re-send.
            QStringLiteral("CREATE TABLE IF NOT EXISTS horodex_origin ("
                           " station text NOT NULL,"
                           " employee text NOT NULL,"
                           " origin text NOT NULL,"
                           " base text NOT NULL,"
                           " base_length bigint NOT NULL CHECK (base_length >= 0),"
                           " replaces boolean NOT NULL,"
                           " length bigint NOT NULL,"
                           " digest text NOT NULL,"
                           " PRIMARY KEY (station, employee, origin))"),
            // An origin is replaced once: a second re-send of the same lines cannot commit.
            QStringLiteral("CREATE UNIQUE INDEX IF NOT EXISTS horodex_origin_replaced ON "
                           "horodex_origin (station, employee, base) WHERE replaces"),
        },
        {
            // Two roles: the head's owns the tables; every other role that may connect (the
            // punch stations') is granted what a punch station needs and no more: its punches,
            // the last punches, the record it keeps with them, the shared files without the
            // whole employee list (their SSNs and pay rates), the head's name.
            QStringLiteral("CREATE OR REPLACE VIEW horodex_shared_public AS SELECT name, "
                           "revision, bytes, station, stored FROM horodex_shared_file WHERE name "
                           "<> 'names.nms'"),
            QStringLiteral("REVOKE ALL ON horodex_shared_file FROM PUBLIC"),
            QStringLiteral("DO $$ DECLARE t text; BEGIN FOR t IN SELECT tablename FROM pg_tables"
                           " WHERE schemaname = current_schema() AND tablename LIKE 'horodex%'"
                           " AND tablename NOT IN ('horodex_shared_file', 'horodex_head',"
                           " 'horodex_schema_version') LOOP EXECUTE format('GRANT SELECT, INSERT,"
                           " UPDATE, DELETE ON %I TO PUBLIC', t); END LOOP; END $$"),
            QStringLiteral("GRANT SELECT ON horodex_shared_public, horodex_head, "
                           "horodex_schema_version TO PUBLIC"),
            QStringLiteral("DO $$ BEGIN EXECUTE format('GRANT USAGE ON ALL SEQUENCES IN SCHEMA %I"
                           " TO PUBLIC', current_schema()); END $$"),
            // A computer's first contact under its identity: another identity of the same
            // computer and folder heard from since is a clone of it, not its past.
            QStringLiteral("ALTER TABLE horodex_station ADD COLUMN IF NOT EXISTS first_contact "
                           "timestamptz NOT NULL DEFAULT now()"),
        },
    };
    return upgrades;
}
