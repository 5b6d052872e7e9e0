#pragma once

namespace audio {
class AudioEngine;
class AudioOutput;
class ClickSynth;
class DeviceOutput;
class EventQueue;
class Mixer;
class NoteSynth;
class OfflineOutput;
struct Anchor;
struct AudioEvent;
struct BeatSpan;
struct Note;
struct SoundSettings;
struct TimeSpan;
}
