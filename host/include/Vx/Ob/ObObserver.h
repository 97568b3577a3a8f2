// Observers and subjects: how the object model tells interested parties what changed.
//
// A subject (a composition, a graph, the default settings) keeps the observers attached to it and
// calls ObObserver::update on each with the hints of a change: a container of hint objects that say
// what changed (ObHints). Attachment is remembered on both sides, so whichever of the two dies
// first ends the subscription: a destroyed observer is never called, and an observer may outlive
// its subjects. The Tag parameter keeps unrelated observer families apart (ObObserver<Om> is the
// object model's). Main thread only.
#pragma once

#include <Vx/RC/RCShdPtr.h>

#include <algorithm>
#include <vector>

namespace Vx {

/// One piece of information about a change. Concrete hints derive from it (OmComponentsHint).
class ObHint : public RCObject
{
public:
    ~ObHint() override = default;
};

/// The hints of one change, in the order the subject gave them.
class ObHints
{
public:
    ObHints() = default;
    explicit ObHints(RCShdPtr<const ObHint> hint) { add(std::move(hint)); }

    void add(RCShdPtr<const ObHint> hint) { m_hints.push_back(std::move(hint)); }
    const std::vector<RCShdPtr<const ObHint>>& getContainer() const { return m_hints; }
    bool isEmpty() const { return m_hints.empty(); }

private:
    std::vector<RCShdPtr<const ObHint>> m_hints;
};

template <class Tag> class ObObserver;

/// Something that can be observed. attachObserver and detachObserver are const: observing an
/// object does not change it.
template <class Tag> class ObSubject
{
public:
    ObSubject() = default;
    ObSubject(const ObSubject&) = delete;
    ObSubject& operator=(const ObSubject&) = delete;
    virtual ~ObSubject()
    {
        for (ObObserver<Tag>* observer : m_observers)
            observer->forgetSubject(this);
    }

    /// Calls `observer` on every later change until it is detached or either side dies. Attaching
    /// an observer that is already attached changes nothing.
    void attachObserver(ObObserver<Tag>* observer) const
    {
        if (!observer || isAttached(observer))
            return;
        m_observers.push_back(observer);
        observer->rememberSubject(this);
    }
    /// Ends the subscription of `observer`; detaching an observer that is not attached does nothing.
    void detachObserver(ObObserver<Tag>* observer) const
    {
        if (!observer)
            return;
        forgetObserver(observer);
        observer->forgetSubject(this);
    }
    bool isAttached(const ObObserver<Tag>* observer) const
    {
        return std::find(m_observers.begin(), m_observers.end(), observer) != m_observers.end();
    }
    std::size_t getObserverCount() const { return m_observers.size(); }

    /// Calls update on each attached observer, in the order of attachment. An observer detached by
    /// an earlier one during the same notification is not called.
    void notifyObservers(const ObHints& hints) const
    {
        const std::vector<ObObserver<Tag>*> snapshot = m_observers;
        for (ObObserver<Tag>* observer : snapshot)
            if (isAttached(observer))
                observer->update(*this, hints);
    }

private:
    friend class ObObserver<Tag>;
    void forgetObserver(ObObserver<Tag>* observer) const
    {
        m_observers.erase(std::remove(m_observers.begin(), m_observers.end(), observer), m_observers.end());
    }

    mutable std::vector<ObObserver<Tag>*> m_observers;
};

/// Receives the changes of the subjects it is attached to.
template <class Tag> class ObObserver
{
public:
    ObObserver() = default;
    ObObserver(const ObObserver&) = delete;
    ObObserver& operator=(const ObObserver&) = delete;
    /// Ends every subscription still open.
    virtual ~ObObserver()
    {
        for (const ObSubject<Tag>* subject : m_subjects)
            subject->forgetObserver(this);
    }

    /// A change of `subject`, described by `hints`. Main thread.
    virtual void update(const ObSubject<Tag>& subject, const ObHints& hints) = 0;

    /// How many subjects this observer is attached to.
    std::size_t getSubjectCount() const { return m_subjects.size(); }

private:
    friend class ObSubject<Tag>;
    void rememberSubject(const ObSubject<Tag>* subject)
    {
        if (std::find(m_subjects.begin(), m_subjects.end(), subject) == m_subjects.end())
            m_subjects.push_back(subject);
    }
    void forgetSubject(const ObSubject<Tag>* subject)
    {
        m_subjects.erase(std::remove(m_subjects.begin(), m_subjects.end(), subject), m_subjects.end());
    }

    std::vector<const ObSubject<Tag>*> m_subjects;
};

} // namespace Vx
