// SPDX-FileCopyrightText: 2026 Scanvet developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "scan/NameLookups.h"

#include "scan/FoundComputers.h"

#include <QMetaObject>

NameLookups::NameLookups(FoundComputers& found, QObject* parent) : QObject(parent), m_found(found) {}

NameLookups::~NameLookups()
{
    close();
}

void NameLookups::close()
{
    m_pool.close();
}

void NameLookups::lookUp(int row, const QString& address)
{
    // The pool's close waits for a delivery under way, and it is closed
    // before this object goes: the post always finds it.
    const bool asked = m_pool.resolve(address.toStdString(), [this, row, address](const QString& name) {
        const std::lock_guard guard(m_mutex);
        if (m_foundNames.empty()) QMetaObject::invokeMethod(this, &NameLookups::takeFound, Qt::QueuedConnection);
        m_foundNames.push_back({row, address, name});
    });
    if (asked) ++m_pending;
}

void NameLookups::takeFound()
{
    std::vector<FoundName> taken;
    {
        const std::lock_guard guard(m_mutex);
        taken.swap(m_foundNames);
    }
    for (const FoundName& named : taken) {
        // Rows move as computers are inserted in address order: find it again.
        if (!named.name.isEmpty()) m_found.setHostName(m_found.rowOf(named.address), named.address, named.name);
        if (--m_pending == 0) Q_EMIT allIn();
    }
}
