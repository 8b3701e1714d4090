// Headers nearly every translation unit of the program reads; precompiled once per target.
#pragma once

#include <QByteArray>
#include <QColor>
#include <QFont>
#include <QImage>
#include <QList>
#include <QObject>
#include <QPainter>
#include <QString>
#include <QStringList>
#include <algorithm>
#include <functional>
#include <memory>
#include <optional>
#include <vector>
