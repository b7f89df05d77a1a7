#include "dialog/ui/ProjectEvents.h"

CProjectEvents::CProjectEvents(Project& project, std::function<bool()> playing, QObject* parent)
        : QObject(parent), m_project(project), m_playing(std::move(playing))
{
    m_project.SetObserver(this);
}

CProjectEvents::~CProjectEvents()
{
    m_project.SetObserver(nullptr);
}
