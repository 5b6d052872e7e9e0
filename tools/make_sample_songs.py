#!/usr/bin/env python3
"""Writes the sample content package source: examples/content/data/info.json and one song file
per song, from public-domain melodies.

Run from anywhere: python3 tools/make_sample_songs.py. The output is checked in; rerun after
changing a melody or the layout and commit both.

examples/scores holds three of these songs as MusicXML (Ode to Joy, Amazing Grace, Silent Night);
the import tests check that importing them plays exactly as these files do (bars, beats, tempi,
notes and their times). Change a melody or a tempo in both places.

Layout of the strip, in points (the files hold half points, so every value is written doubled):

    y   4  tempo labels of the beats           y  76  chord symbols (33 major, 34 minor)
    y  18  beat buttons (90 high) and "+"      y 100  pitch rows, 20 apart, highest first
    y  48  "-" buttons                         below  bass lane (71), lyrics (35 and 37)
    y  22  bar strip (the bar rows, 42)
    y  30  bar numbers (31)
    y  46  title (50) and section names (32)
    y  62  section band (51 first kind, 52 second)

Pitch rows are named by letter and octave in the key view (30); a sharp or flat note sits on its
letter's row with a "#" or "b" mark. Bands behind alternate rows are channel 6, the tonic's rows
channel 7. Notes are coloured by letter; the last note is red (20), the last note of a phrase
has a rounded top-right corner (105), dotted notes 110, notes of two beats or more both right
corners (106); a leap of a fifth or more carries a rise or fall mark; notes on a bar's first
beat have a border. Dotted lines (14) mark the bar lines.
"""

import json
import os

HEADER = ["channel", "Bar No(40)", "Beats per Bar(40)", "tempo (40)", "ipad_col(107)", "ipad_rows",
          "length(109)", "height(110)", "flip_view", "rise_fall", "sharp_flat", "fingering/chord",
          "lyrics", "ipad_color(105)", "Z-level", "Content", "pitch"]

LETTERS = "CDEFGAB"
# Note colours by letter, in the spirit of coloured tuned percussion.
LETTER_COLOUR = {
    "C": (226, 46, 46), "D": (245, 140, 30), "E": (232, 206, 28), "F": (58, 170, 72),
    "G": (36, 150, 204), "A": (104, 82, 200), "B": (200, 70, 160),
}
CHORD_COLOUR = {  # light tints behind chord symbols
    "C": (250, 200, 200), "D": (252, 222, 190), "E": (248, 240, 180), "F": (200, 236, 200),
    "G": (196, 226, 246), "A": (216, 208, 246), "B": (240, 200, 230),
}

# The "-" sits in the gap between the chord row and the top pitch row, where nothing hides it.
TEMPO_Y, BUTTON_Y, MINUS_Y, BAR_Y, BAR_NUMBER_Y, TITLE_Y, SECTION_Y, CHORD_Y = 4, 18, 84, 22, 30, 46, 62, 76
PITCH_TOP, ROW_HEIGHT, NOTE_HEIGHT = 100, 20, 16


def half_units(points):
    """Points to the file's half-point units, as the shortest exact text."""
    value = points * 2
    if abs(value - round(value)) < 1e-9:
        return str(int(round(value)))
    return ("%.3f" % value).rstrip("0")


def parse_pitch(name):
    """"F#4" -> ("F", "#", 4); "Bb4" -> ("B", "b", 4)."""
    letter = name[0]
    accidental = name[1] if name[1] in "#b" else ""
    octave = int(name[1 + len(accidental):])
    return letter, accidental, octave


def step(name):
    """Diatonic position: the row a pitch sits on."""
    letter, _, octave = parse_pitch(name)
    return octave * 7 + LETTERS.index(letter)


def row_name(position):
    return "%s%d" % (LETTERS[position % 7], position // 7)


def chord_root(symbol):
    return symbol[0]


class Song:
    def __init__(self, name, title, beats_per_bar, beat_width, notes, tempo, chords, sections,
                 lyrics2=None, fingering=None, tonic="C", final_rit=None):
        self.name = name
        self.title = title
        self.beats = beats_per_bar
        self.beat_width = beat_width
        self.notes = notes            # [(pitch or None, beats, syllable or "" or None, ends a phrase)]
        self.tempo = tempo            # function (bar, beat) -> tempo text
        self.chords = chords          # {bar: [(beat offset, symbol)]}
        self.sections = sections      # [(first bar, last bar, name, channel)]
        self.lyrics2 = lyrics2 or []  # syllables of a second verse, one per syllable slot
        self.fingering = fingering or {}  # {note index: digit}
        self.tonic = tonic

    def bar_count(self):
        total = sum(note[1] for note in self.notes)
        bars = total / self.beats
        assert abs(bars - round(bars)) < 1e-9, "%s: %s beats do not fill whole bars" % (self.name, total)
        return int(round(bars))


def fields(**values):
    row = {key: "" for key in HEADER}
    for key, value in values.items():
        row[key] = value
    return row


def check_text(text):
    # The reader has no quoting: a separator or line end would cut the field, and quote marks or
    # spaces at the ends would be trimmed away.
    assert "," not in text and "\r" not in text and "\n" not in text, text
    assert text == text.strip(' "'), text
    return text


def colour_fields(rgb):
    return {"Bar No(40)": str(rgb[0]), "Beats per Bar(40)": str(rgb[1]), "tempo (40)": str(rgb[2])}


def mark_fields(rgb):
    return {"fingering/chord": str(rgb[0]), "lyrics": str(rgb[1]), "ipad_color(105)": str(rgb[2])}


def block(channel, x, y, w, h, rgb, z, flip_view="0", rise_fall="", sharp_flat="", mark=(0, 0, 0), content="", pitch=""):
    values = dict(channel=channel, **colour_fields(rgb), **mark_fields(mark))
    values.update({"ipad_col(107)": half_units(x), "ipad_rows": half_units(y), "length(109)": half_units(w),
                   "height(110)": half_units(h), "flip_view": flip_view, "rise_fall": rise_fall,
                   "sharp_flat": sharp_flat, "Z-level": str(z), "Content": check_text(content), "pitch": pitch})
    return fields(**values)


def label(channel, x, y, w, text, size, z=4, rgb=(0, 0, 0)):
    return block(channel, x, y, w, 0, rgb, z, flip_view=("%g" % (size / 4.0)), content=text)


def layout(song):
    bars = song.bar_count()
    bw = song.beat_width
    bar_width = bw * song.beats
    total_width = bar_width * bars
    sounding = [note[0] for note in song.notes if note[0]]
    low = min(step(p) for p in sounding) - 1
    high = max(step(p) for p in sounding) + 1
    row_count = high - low + 1

    def row_y(position):
        return PITCH_TOP + (high - position) * ROW_HEIGHT

    bass_y = PITCH_TOP + row_count * ROW_HEIGHT + 6
    lyrics_y = bass_y + 24
    lyrics2_y = lyrics_y + 18
    line_top = PITCH_TOP
    line_height = bass_y + 16 - PITCH_TOP

    rows = []
    # Key view: one label per pitch row, then the lanes below them.
    for position in range(high, low - 1, -1):
        rows.append(label("30", 6, row_y(position) + 4, 75, row_name(position), 10.8))
    rows.append(label("30", 6, bass_y + 1, 75, "Bass", 10.8))
    rows.append(label("30", 6, CHORD_Y, 75, "Chords", 10.8))
    if any(note[2] for note in song.notes):
        rows.append(label("30", 6, lyrics_y, 75, "Verse 1" if song.lyrics2 else "Words", 10.8))
    if song.lyrics2:
        rows.append(label("30", 6, lyrics2_y, 75, "Verse 2", 10.8))

    # Bands behind the pitch rows, across the whole song: every other row (6), tonic rows (7).
    for position in range(low, high + 1):
        if LETTERS[position % 7] == song.tonic:
            rows.append(block("7", 0, row_y(position), total_width, ROW_HEIGHT, (255, 244, 214), 0))
        elif (position - low) % 2 == 0:
            rows.append(block("6", 0, row_y(position), total_width, ROW_HEIGHT, (236, 240, 248), 0))

    rows.append(label("50", 4, TITLE_Y, 240, song.title, 12))

    # Notes with their bar positions.
    placed = []
    time = 0.0
    for index, (pitch, beats, syllable, _) in enumerate(song.notes):
        placed.append((index, time, pitch, beats, syllable))
        time += beats
    last_sounding = max(i for i, _, p, _, _ in placed if p)
    phrase_ends = {index for index, note in enumerate(song.notes) if note[3]}
    verse2 = iter(song.lyrics2)
    notes_by_bar = {}
    previous = None
    for index, start, pitch, beats, syllable in placed:
        bar = int(start // song.beats)
        notes_by_bar.setdefault(bar, []).append((index, start, pitch, beats, syllable, previous))
        if pitch:
            previous = pitch

    for bar in range(bars):
        x0 = bar * bar_width
        # The bar row: a thin strip with a border, its width the bar's width.
        rows.append(block("42", x0, BAR_Y, bar_width, 4, (0, 0, 0), 1, flip_view="1"))
        rows[-1].update({"Bar No(40)": str(bar), "Beats per Bar(40)": str(song.beats), "tempo (40)": "160"})
        rows.append(block("14", x0 + 1, (line_top + 100) / 2.0, 2, line_height, (0, 0, 0), 2))
        rows.append(label("31", x0 + 3, BAR_NUMBER_Y, 40, str(bar + 1), 10))
        for first, last, name, channel in song.sections:
            if bar == first:
                span = (last - first + 1) * bar_width
                rows.append(block(channel, x0, SECTION_Y, span, 6, (120, 190, 120) if channel == "51" else (230, 150, 90), 1))
                if bar > 0:
                    rows.append(label("32", x0 + 4, TITLE_Y, 120, name, 11))
        for beat in range(1, song.beats + 1):
            bx = x0 + (beat - 1) * bw
            rows.append(fields(**{
                "channel": "41", "Bar No(40)": str(bar), "Beats per Bar(40)": str(beat),
                "tempo (40)": song.tempo(bar, beat), "ipad_col(107)": half_units(bx), "ipad_rows": half_units(TEMPO_Y),
                "length(109)": half_units(bw), "height(110)": "30", "flip_view": str(song.beats),
                "rise_fall": half_units(BUTTON_Y), "sharp_flat": half_units(MINUS_Y), "fingering/chord": "0",
                "lyrics": "0", "ipad_color(105)": "0", "Z-level": "10", "Content": "", "pitch": ""}))
        for offset, symbol in song.chords.get(bar, []):
            minor = symbol[1:2] == "m" and not symbol.startswith("maj", 1)
            rows.append(label("34" if minor else "33", x0 + offset * bw + 2, CHORD_Y, 30, symbol, 11,
                              rgb=CHORD_COLOUR[chord_root(symbol)]))
            rows.append(block("71", x0 + offset * bw + 1, bass_y, chord_length(song, bar, offset) * bw - 2, 14,
                              LETTER_COLOUR[chord_root(symbol)], 3))
        for index, start, pitch, beats, syllable, before in notes_by_bar.get(bar, []):
            x = start * bw
            if pitch:
                letter, accidental, _ = parse_pitch(pitch)
                position = step(pitch)
                if index == last_sounding:
                    channel = "20"
                elif beats >= 2:
                    channel = "106"
                elif index in phrase_ends:
                    channel = "105"
                elif abs(beats * 2 - round(beats * 2)) < 1e-9 and (beats * 2) % 2 == 1 and beats > 1:
                    channel = "110"
                else:
                    # Any channel without a meaning of its own: the note keeps its letter's colour.
                    channel = "1"
                leap = step(pitch) - step(before) if before else 0
                rise = "U" if leap >= 4 else "D" if leap <= -4 else ""
                on_beat_one = abs(start - bar * song.beats) < 1e-9
                rows.append(block(channel, x + 1, row_y(position) + 2, beats * bw - 2, NOTE_HEIGHT,
                                  LETTER_COLOUR[letter], 3, flip_view="1" if on_beat_one else "0", rise_fall=rise,
                                  sharp_flat=accidental, mark=(255, 255, 255), pitch=pitch))
                if index in song.fingering:
                    rows.append(label("36", x + 3, row_y(position) + NOTE_HEIGHT + 3, 7, str(song.fingering[index]), 8, z=5))
            if syllable:
                rows.append(label("35", x + 1, lyrics_y, max(beats * bw, 44), syllable, 11))
                if song.lyrics2:
                    rows.append(label("37", x + 1, lyrics2_y, max(beats * bw, 44), next(verse2), 11))
    rest = list(verse2)
    assert not rest, "%s: verse 2 has %d syllables too many" % (song.name, len(rest))
    return rows


def chord_length(song, bar, offset):
    later = [o for o, _ in song.chords.get(bar, []) if o > offset]
    return (min(later) if later else song.beats) - offset


def write_song(folder, song):
    rows = layout(song)
    lines = [",".join(HEADER)] + [",".join(row[key] for key in HEADER) for row in rows]
    with open(os.path.join(folder, song.name + ".csv"), "w", encoding="utf-8", newline="") as out:
        out.write("\r".join(lines) + "\r")


def notes_from(text):
    """"D5:1/Freu- r:2 E4/ken; ..." -> [(pitch, beats, syllable, phrase end)]. A syllable "_" continues
    the previous one; a final ";" ends a phrase."""
    notes = []
    for token in text.split():
        phrase_end = token.endswith(";")
        head, _, syllable = token.rstrip(";").partition("/")
        pitch, _, beats = head.partition(":")
        if syllable == "_":
            syllable = ""
        notes.append((None if pitch == "r" else pitch, float(beats) if beats else 1.0, syllable if pitch != "r" else None,
                      phrase_end))
    return notes


def constant(tempo):
    return lambda bar, beat: tempo


ODE_TO_JOY = Song(
    "ode_to_joy", "Ode to Joy (Beethoven)", 4, 60,
    notes_from("""
        F#4/Freu- F#4/de G4/schö- A4/ner A4/Göt- G4/ter- F#4/fun- E4/ken;
        D4/Toch- D4/ter E4/aus F#4/E- F#4:1.5/ly- E4:0.5/si- E4:2/um;
        F#4/Wir F#4/be- G4/tre- A4/ten A4/feu- G4/er- F#4/trun- E4/ken;
        D4/Himm- D4/li- E4/sche F#4/dein E4:1.5/Hei- D4:0.5/lig- D4:2/tum!
        E4/Dei- E4/ne F#4/Zau- D4/ber E4/bin- F#4:0.5/den G4:0.5/_ F#4/wie- D4/der;
        E4/Was F#4:0.5/die G4:0.5/_ F#4/Mo- E4/de D4/streng E4/ge- A3:2/teilt;
        F#4/Al- F#4/le G4/Men- A4/schen A4/wer- G4/den F#4/Brü- E4/der;
        D4/Wo D4/dein E4/sanf- F#4/ter E4:1.5/Flü- D4:0.5/gel D4:2/weilt.
    """),
    constant("100"),
    {0: [(0, "D")], 1: [(0, "A")], 2: [(0, "D")], 3: [(0, "A"), (2, "D")], 4: [(0, "D")], 5: [(0, "A")],
     6: [(0, "D")], 7: [(0, "A"), (2, "D")], 8: [(0, "A")], 9: [(0, "Bm"), (2, "A")], 10: [(0, "D"), (2, "A")],
     11: [(0, "D"), (2, "A")], 12: [(0, "D")], 13: [(0, "A")], 14: [(0, "D")], 15: [(0, "A"), (2, "D")]},
    [(0, 7, "A", "51"), (8, 11, "B", "52"), (12, 15, "A", "51")],
    fingering={0: 3, 1: 3, 2: 4, 3: 5, 4: 5, 5: 4, 6: 3, 7: 2, 8: 1, 9: 1, 10: 2, 11: 3},
    tonic="D")

AMAZING_GRACE = Song(
    "amazing_grace", "Amazing Grace (New Britain)", 3, 60,
    notes_from("""
        r:2 D4/A-
        G4:2/ma- B4:0.5/zing G4:0.5/_ B4:2/grace A4/how; G4:2/sweet E4/the D4:2/sound D4/that
        G4:2/saved B4:0.5/a G4:0.5/_ B4:2/wretch A4:0.5/like B4:0.5/_ D5:5/me. B4/I
        D5:2/once B4:0.5/was G4:0.5/_ B4:2/lost A4/but G4:2/now E4/am; D4:2/found D4/was
        G4:2/blind B4:0.5/but G4:0.5/_ B4:2/now A4/I G4:3/see.
    """),
    constant("50"),
    {0: [(2, "D")], 1: [(0, "G")], 2: [(0, "G")], 3: [(0, "C")], 4: [(0, "G")], 5: [(0, "G")], 6: [(0, "D")],
     7: [(0, "D")], 8: [(0, "D7")], 9: [(0, "G")], 10: [(0, "G")], 11: [(0, "C")], 12: [(0, "G")],
     13: [(0, "Em")], 14: [(0, "D")], 15: [(0, "G")]},
    [(0, 8, "Verse", "51"), (9, 15, "Second half", "52")],
    lyrics2="'Twas grace that taught my heart to fear and grace my fears re- lieved How pre- cious did that "
            "grace ap- pear the hour I first be- lieved.".split(),
    tonic="G")


def greensleeves_tempo(bar, beat):
    # Verse around 84 and chorus around 88, holding back inside the bars that end a phrase.
    slowing = {7: ["84", "80", "76.5"], 8: ["72", "70", "84"], 15: ["82", "78", "74"], 16: ["70", "66", "88"],
               23: ["88", "84", "80"], 24: ["76", "72", "88"], 31: ["80", "74", "68"], 32: ["62", "58", "54"]}
    if bar in slowing:
        return slowing[bar][beat - 1]
    return "84" if bar < 17 else "88"


GREENSLEEVES = Song(
    "greensleeves", "Greensleeves (traditional)", 3, 56,
    notes_from("""
        r:2 A4/A-
        C5:2/las D5/my E5:1.5/love F5:0.5/you E5/do D5:2/me B4/wrong; G4:1.5/To A4:0.5/cast B4/me
        C5:2/off A4/dis- A4:1.5/cour- G#4:0.5/_ A4/teous- B4:2/ly G#4/_ E4:2/_ A4/For
        C5:2/I D5/have E5:1.5/loved F5:0.5/you E5/well D5:2/and B4/long G4:1.5/De- A4:0.5/light- B4/ing
        C5:1.5/in B4:0.5/your A4/com- G#4:1.5/pa- F#4:0.5/ny G#4/_ A4:3/_ A4:2/_ r:1
        G5:3/Green- G5:1.5/sleeves F#5:0.5/was E5/all D5:2/my B4/joy; G4:1.5/And A4:0.5/Green- B4/sleeves
        C5:2/was A4/my A4:1.5/de- G#4:0.5/_ A4/light B4:2/_ G#4/_ E4:3/_
        G5:3/Green- G5:1.5/sleeves F#5:0.5/was E5/my D5:2/heart B4/of G4:1.5/gold; A4:0.5/And B4/who
        C5:1.5/but B4:0.5/my A4/la- G#4:1.5/dy F#4:0.5/Green- G#4/_ A4:3/sleeves. A4:3/_
    """),
    greensleeves_tempo,
    {1: [(0, "Am")], 2: [(0, "C")], 3: [(0, "G")], 4: [(0, "Em")], 5: [(0, "Am")], 6: [(0, "E")], 7: [(0, "E")],
     8: [(0, "Am")], 9: [(0, "Am")], 10: [(0, "C")], 11: [(0, "G")], 12: [(0, "Em")], 13: [(0, "Am")],
     14: [(0, "E")], 15: [(0, "Am")], 16: [(0, "Am")], 17: [(0, "C")], 18: [(0, "C")], 19: [(0, "G")],
     20: [(0, "Em")], 21: [(0, "Am")], 22: [(0, "E")], 23: [(0, "E")], 24: [(0, "E")], 25: [(0, "C")],
     26: [(0, "C")], 27: [(0, "G")], 28: [(0, "Em")], 29: [(0, "Am")], 30: [(0, "E")], 31: [(0, "Am")],
     32: [(0, "Am")]},
    [(0, 16, "Verse", "51"), (17, 32, "Refrain", "52")],
    tonic="A")

MINUET_A = """
    D5 G4:0.5 A4:0.5 B4:0.5 C5:0.5  D5 G4 G4  E5 C5:0.5 D5:0.5 E5:0.5 F#5:0.5  G5 G4 G4
    C5 D5:0.5 C5:0.5 B4:0.5 A4:0.5  B4 C5:0.5 B4:0.5 A4:0.5 G4:0.5  F#4 G4:0.5 A4:0.5 B4:0.5 G4:0.5  A4:3
    D5 G4:0.5 A4:0.5 B4:0.5 C5:0.5  D5 G4 G4  E5 C5:0.5 D5:0.5 E5:0.5 F#5:0.5  G5 G4 G4
    C5 D5:0.5 C5:0.5 B4:0.5 A4:0.5  B4 C5:0.5 B4:0.5 A4:0.5 G4:0.5  A4 B4:0.5 A4:0.5 G4:0.5 F#4:0.5  G4:3
"""
MINUET_B = """
    B5 G5:0.5 A5:0.5 B5:0.5 G5:0.5  A5 D5:0.5 E5:0.5 F#5:0.5 D5:0.5  G5 E5:0.5 F#5:0.5 G5:0.5 D5:0.5
    C#5 B4:0.5 C#5:0.5 A4  A4:0.5 B4:0.5 C#5:0.5 D5:0.5 E5:0.5 F#5:0.5  G5 F#5 E5  F#5 A4 C#5  D5:3
    D5 G4:0.5 F#4:0.5 G4  E5 G4:0.5 F#4:0.5 G4  D5 C5 B4  A4:0.5 G4:0.5 F#4:0.5 G4:0.5 A4
    D4:0.5 E4:0.5 F#4:0.5 G4:0.5 A4:0.5 B4:0.5  C5 B4 A4  B4:0.5 D5:0.5 G4 F#4  G4:3
"""
MINUET_CHORDS_A = ["G", "G", "C", "G", "Am", "G", "D", "D", "G", "G", "C", "G", "Am", "G", "D", "G"]
MINUET_CHORDS_B = ["G", "D", "Em", "A", "A", "Em", "A", "D", "G", "C", "G", "D", "D", "Am", "G", "G"]
# A A B B, then once more without repeats, as a minuet is taken again after its trio.
MINUET_PLAN = [("A", MINUET_A, MINUET_CHORDS_A), ("A (repeat)", MINUET_A, MINUET_CHORDS_A),
               ("B", MINUET_B, MINUET_CHORDS_B), ("B (repeat)", MINUET_B, MINUET_CHORDS_B),
               ("A da capo", MINUET_A, MINUET_CHORDS_A), ("B da capo", MINUET_B, MINUET_CHORDS_B)]


def minuet():
    notes = []
    chords = {}
    sections = []
    fingering = {}
    for part, (name, melody, harmony) in enumerate(MINUET_PLAN):
        first_bar = part * 16
        part_notes = notes_from(melody)
        if part in (0, 2):
            # Right-hand fingering for the opening bars of each half.
            digits = [5, 1, 2, 3, 4, 5, 1, 1] if part == 0 else [5, 3, 4, 5, 3, 4, 1, 2, 3, 1]
            for offset, digit in enumerate(digits):
                fingering[len(notes) + offset] = digit
        notes += part_notes
        for bar, symbol in enumerate(harmony):
            chords[first_bar + bar] = [(0, symbol)]
        sections.append((first_bar, first_bar + 15, name, "51" if name.startswith("A") else "52"))
    chords[first_bar + 14] = [(0, "G"), (2, "D")]

    def tempo(bar, beat):
        if bar == 95:
            return ["104", "96", "88"][beat - 1]
        return "112"

    return Song("minuet_in_g", "Minuet in G (Petzold)", 3, 50, notes, tempo, chords, sections,
                fingering=fingering, tonic="G")


def silent_night_tempo(bar, beat):
    # The last line slows down below 60, where the quarter-beat circles take over.
    closing = {20: ["58", "56", "56"], 21: ["54", "52", "50"], 22: ["48", "46", "46"], 23: ["44", "44", "44"]}
    if bar in closing:
        return closing[bar][beat - 1]
    if bar == 11:
        return ["64", "62", "58.5"][beat - 1]
    return "66"


SILENT_NIGHT = Song(
    "silent_night", "Silent Night (Gruber)", 3, 56,
    notes_from("""
        C5:1.5/Si- D5:0.5/lent C5/night; A4:3/_ C5:1.5/Ho- D5:0.5/ly C5/night A4:3/_
        G5:2/All G5/is E5:3/calm F5:2/all F5/is C5:3/bright
        D5:2/'Round D5/yon F5:1.5/vir- E5:0.5/gin D5/mo- C5:1.5/ther D5:0.5/and C5/child A4:3/_
        D5:2/Ho- D5/ly F5:1.5/in- E5:0.5/fant D5/so C5:1.5/ten- D5:0.5/der C5/and; A4:3/mild
        G5:2/Sleep G5/in Bb5:1.5/hea- G5:0.5/ven- E5/ly F5:3/peace A5:3/Sleep
        F5:1.5/in C5:0.5/hea- A4/ven- C5:1.5/ly Bb4:0.5/_ G4/_ F4:6/peace.
    """),
    silent_night_tempo,
    {0: [(0, "F")], 1: [(0, "F")], 2: [(0, "F")], 3: [(0, "F")], 4: [(0, "C")], 5: [(0, "C")], 6: [(0, "F")],
     7: [(0, "F")], 8: [(0, "Bb")], 9: [(0, "Bb")], 10: [(0, "F")], 11: [(0, "Dm")], 12: [(0, "Bb")],
     13: [(0, "Bb")], 14: [(0, "F")], 15: [(0, "F")], 16: [(0, "C")], 17: [(0, "C7")], 18: [(0, "F")],
     19: [(0, "F")], 20: [(0, "F")], 21: [(0, "C")], 22: [(0, "F")], 23: [(0, "F")]},
    [(0, 7, "Verse", "51"), (8, 15, "Middle", "52"), (16, 23, "End", "51")],
    tonic="F")

SONGS = [ODE_TO_JOY, AMAZING_GRACE, GREENSLEEVES, minuet(), SILENT_NIGHT]


def main():
    root = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
    folder = os.path.join(root, "examples", "content", "data")
    os.makedirs(folder, exist_ok=True)
    for song in SONGS:
        write_song(folder, song)
    index = {"FileInfo": [{"fileName": song.title, "path": song.name + ".csv"} for song in SONGS]}
    with open(os.path.join(folder, "info.json"), "w", encoding="utf-8") as out:
        json.dump(index, out, indent=2, ensure_ascii=False)
        out.write("\n")


if __name__ == "__main__":
    main()
