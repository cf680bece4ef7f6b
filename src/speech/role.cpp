#include "speech/role.h"

CRole::CRole(const SpeechServices& services) {
    m_pEnglishVoice = std::make_unique<CVoice>(1, services);
    m_pEnglishVoice->LoadVisemeTable();
    m_pEnglishVoice->LoadDefaultVisemes();
    m_pEnglishVoice->ShowViseme(0);
    m_pEnglishVoice->LoadPhoneticTable();
    m_pChineseVoice = std::make_unique<CVoice>(0, services);
}

CRole::~CRole() {
    m_pEnglishVoice.reset();
    m_pChineseVoice.reset();
}

void CRole::AttachNotify(QObject* owner, QLabel* picture) {
    for (CVoice* voice : {m_pEnglishVoice.get(), m_pChineseVoice.get()}) {
        if (voice != nullptr && voice->m_pVoice) {
            voice->m_pPictureCtrl = picture;
            voice->SetNotifyWindow(owner);
        }
    }
}

void CRole::PumpVoiceEvents() {
    if (m_pEnglishVoice) {
        m_pEnglishVoice->ProcessEvents();
    }
    if (m_pChineseVoice) {
        m_pChineseVoice->ProcessEvents();
    }
}

void CRole::SetRate(int rate) {
    for (CVoice* voice : {m_pEnglishVoice.get(), m_pChineseVoice.get()}) {
        if (voice != nullptr && voice->m_pVoice) {
            voice->m_pVoice->SetRate(rate);
        }
    }
}

void CRole::Stop() {
    if (m_pEnglishVoice) {
        m_pEnglishVoice->Purge();
    }
    if (m_pChineseVoice) {
        m_pChineseVoice->Purge();
    }
    m_bStopped = 1;
}
