#include "AttributesAction.h"

namespace hierman {

bool AttributesAction::Gather(const std::string& tag, AttributeSheetData* data) {
    panelaid::ConsoleDatabase& db = c_.services.db;
    const std::string& system = c_.System();
    panelaid::Records records;
    panelaid::InstanceQuery query;
    query.tag = tag.c_str();
    bool found = db.InstanceList(system.c_str(), query, &records) && !records.empty();
    while (!found && c_.services.advisor.Advise(
                         "(lp = ins_list(CP(m_uname), NULL, NULL, NULL, CP(node->m_tag), NULL, 0)) != NULL",
                         kActionSource, __LINE__))
        found = db.InstanceList(system.c_str(), query, &records) && !records.empty();
    db.ClearError();
    if (!found) return false;
    const std::string& record = records.front();
    data->application = RecordField(record, 2);
    data->type = RecordField(record, 3);
    data->tag = RecordField(record, 4);
    data->id = RecordField(record, 5);
    data->info = RecordField(record, 6);
    data->state = RecordField(record, 7) + " " + RecordField(record, 8);
    data->strategy = RecordField(record, 9);
    if (!c_.Backup(tag, &data->otherSystem)) data->otherSystem = "none";
    data->system = system;
    data->tag = tag;
    panelaid::Records related;
    if (db.DependencyList(system.c_str(), tag.c_str(), panelaid::Relation::Children, &related))
        for (const std::string& r : related) data->children.push_back(RecordField(r, 2));
    if (db.DependencyList(system.c_str(), tag.c_str(), panelaid::Relation::Parents, &related))
        for (const std::string& r : related) data->parents.push_back(RecordField(r, 1));
    db.ClearError();
    data->roots = c_.queries.RootList(system.c_str(), tag.c_str());
    return true;
}

void AttributesAction::Show() {
    if (!c_.Allowed(kGuardSelection)) return;
    ActionStatus status(c_, "Generating attribute tables...");
    while (CMatrixCell* cell = c_.view.NthSelected(0)) {
        const std::string tag = cell->text;
        AttributeSheetData data;
        // A resource that cannot be read is skipped like a shown one, so
        // that the walk over the selection moves on.
        if (Gather(tag, &data)) c_.host.ShowAttributes(data);
        // The sheet is modal: a refresh meanwhile may have moved the cell,
        // so the selected cell of this tag is looked for again.
        for (int j = 0; CMatrixCell* selected = c_.view.NthSelected(j); ++j) {
            if (selected->text != tag) continue;
            c_.Deselect(selected);
            break;
        }
    }
}

}  // namespace hierman
