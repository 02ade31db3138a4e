#pragma once
// Database housekeeping around large refreshes: the triggers of a general
// table switched off and on in replication mode, and the large rollback
// segment switched online or offline through the utility schema.
#include <QString>
#include <QStringList>

struct TMoxContext;
class TDispatch;

// In replication mode (p_replikacija or currReplikacija) runs
// "alter trigger <name> <mode>" for every trigger of the table owned by
// owner; mode is "DISABLE" or "ENABLE". Owner and table are bound as
// variables. When the trigger list cannot be read an error naming its query
// (with the owner and table) is raised and nothing is switched; an error of an
// alter statement reaches the caller too.
// Before switching off, the table is recorded in the run history (a row
// "IZKLOPLJENI TRIGGERJI owner.table" with the mark "T", which no query reads
// as a refresh); after switching on the row goes. A switch-off, in any mode,
// first switches on what an interrupted refresh of the table left off.
void preklopiTriggerje(TMoxContext &ctx, const QString &owner, const QString &table, const QString &mode);

// Switches on the triggers of every table of owner (only of table, when it
// is given) that the run history records as switched off by this tool, deletes
// those records and writes a run-log line for each. Returns the tables
// ("owner.table"). Does nothing when the run history cannot be written.
QStringList vklopiPozabljeneTriggerje(TMoxContext &ctx, const QString &owner, const QString &table = QString());

// The large rollback segment: offline when oznaceno (the menu mark: online
// now), otherwise online. On success the mark is inverted and, in a run
// started without arguments, "LARGE RB is <mode>" is shown; on an error
// "ERROR ON PUTING LARGE RB <mode>" is shown in every run and the mark stays.
// Returns whether the switch succeeded.
bool activateLargeRB(TMoxContext &ctx, bool &oznaceno);

// Registers the trigger switches of the general refresh
// ("preklopiTriggerje:DISABLE" and "preklopiTriggerje:ENABLE", on currUser
// and currTabela) at the dispatch point.
void registerHousekeeping(TDispatch &dispatch);
