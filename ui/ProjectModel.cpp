#include "ProjectModel.h"

#include "project/Project.h"

ProjectModel::ProjectModel(Project& project, QObject* parent)
    : QObject(parent), project_(project) {}

void ProjectModel::apply(const TuningChange& change) {
    announce(applyTuningChange(project_, change));
}

void ProjectModel::displayChanged() {
    emit changeFinished(Change::Display);
}

void ProjectModel::announce(const TuningOutcome& outcome) {
    emit changeFinished(outcome.layersChanged ? Change::Layers : Change::Settings);
    if (outcome.seamsFailed) emit seamsFailed(outcome.seamFailures);
    if (outcome.seamsPlaced) emit seamsPlaced();
}
