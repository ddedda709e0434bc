// Writes an embedded resource to a file. Resources live at ":/<type>/<name>"; both names are
// matched without regard to case.
#pragma once

#include <QByteArray>
#include <QString>
#include <optional>

// The bytes of the resource, or nothing when there is no such resource.
std::optional<QByteArray> LoadResourceBytes(const QString& resourceName,
                                            const QString& resourceType);

// Creates or replaces filePath with exactly the resource's bytes. The file is replaced in one
// step (never truncated in place), so a failure leaves any earlier file as it was.
bool SaveResourceToFile(const QString& resourceName, const QString& resourceType,
                        const QString& filePath);
