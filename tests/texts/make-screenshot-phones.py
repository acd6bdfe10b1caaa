#!/usr/bin/env python3
"""Writes a data file for looking at the messages pane: the shipped demo phones, the first one
with a long conversation in several scripts, a Hebrew one, a message that arrives while the
phone is connected, and a phone that must be made the default SMS app before a delete.
    make-screenshot-phones.py SHIPPED.json OUT.json"""
import json
import sys

phones = json.load(open(sys.argv[1], encoding="utf-8"))
phone = phones["phones"][0]
phone["defaultSmsApp"] = "accepts"
lines = [
    ("inbox", "Salut ! Tu arrives à quelle heure ce soir ? On a réservé la table pour huit."),
    ("sent", "Vers 19h30, le train a un peu de retard 🚆"),
    ("inbox", "Parfait. N'oublie pas le gâteau 🎂🎉"),
    ("sent", "Promis. Je passe à la boulangerie près de la gare, ils ont les meilleurs éclairs de tout le quartier, "
             "et si jamais ils sont fermés je prendrai une tarte aux fraises chez le pâtissier en face."),
    ("inbox", "Ελένη says hi: Καλή αντάμωση! 👋"),
    ("sent", "Передай ей привет — до встречи в субботу!"),
    ("inbox", "مرحبا! هل أنت في الطريق؟ نحن ننتظرك عند المدخل."),
    ("sent", "明天见，别忘了带伞 ☔"),
    ("inbox", "👨‍👩‍👧 family photo later? 👍🏽"),
    ("sent", "Sure!\nSecond line of a message\nand a third."),
]
messages = []
for i in range(84):
    box, body = lines[i % len(lines)]
    day = 1 + i // 12
    messages.append({"id": "long%d" % i, "box": box, "date": "2026-12-%02d %02d:%02d" % (day, 8 + (i % 12), (i * 7) % 60),
                     "read": True, "body": body})
messages[-1]["read"] = False
conversation = phone["conversations"][0]
conversation["messages"] = messages
phone["conversations"].append({"id": "t7", "address": "+972 52-123-4567", "messages": [
    {"id": "he1", "box": "inbox", "date": "2026-11-20 09:15", "read": True, "body": "שלום! מה שלומך? נתראה מחר בבוקר."},
    {"id": "he2", "box": "sent", "date": "2026-11-20 09:17", "read": True, "body": "בסדר גמור, תודה! 🙂"}]})
phone["incomingMessages"] = [{"delayMs": 40000, "address": "+49 171 2345678",
                              "body": "Bin gleich da — noch 5 Minuten! 🚲"}]
json.dump(phones, open(sys.argv[2], "w", encoding="utf-8"), ensure_ascii=False, indent=1)
