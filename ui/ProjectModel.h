// The window's project as its views see it. Every tuning change goes through
// apply(), which has the core write it and recompute what depends on it
// (geometry/TuningChange.h), then tells every view at once through
// changeFinished, in the manner of Hugin's Panorama::changeFinished: the
// preview repaints, the device view and the hole report follow, the title
// compares the settings with the saved ones. Display settings that reach no
// table (opacity, highlight, hiding) are written by their panel and announced
// with displayChanged().
#pragma once

#include <QObject>
#include <vector>

#include "project/LoadReport.h"
#include "tuning/TuningChange.h"

class Project;

class ProjectModel : public QObject {
    Q_OBJECT
public:
    // What a finished change altered.
    enum class Change {
        Settings,  // a value only (it waits in automatic mode): the title
        Display,   // the preview's picture, and the title
        Layers,    // the layers or their order: preview, device view, hole report, title
    };
    Q_ENUM(Change)

    // `project` is not owned and outlives the model.
    explicit ProjectModel(Project& project, QObject* parent = nullptr);
    Project& project() const { return project_; }

    // Applies `change` and announces it (changeFinished, then seamsFailed
    // when the automatic seams could not be placed).
    void apply(const TuningChange& change);
    // Announces a change of a display setting, already written.
    void displayChanged();

signals:
    void changeFinished(ProjectModel::Change what);
    // Automatic mode could not place seams: every camera without two and why.
    void seamsFailed(const std::vector<CameraProblem>& why);
    // Automatic mode placed its seams afresh: their figures can be listed.
    void seamsPlaced();

private:
    void announce(const TuningOutcome& outcome);

    Project& project_;
};
