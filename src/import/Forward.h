#pragma once

namespace import {

struct Score;
class MusicXMLReader;
class MidiReader;
class StripWriter;
class SongImporter;

}
