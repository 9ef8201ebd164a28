#!/usr/bin/env python3
"""Writes seed.json, the data the sandbox backend starts from.

The data describe a believable construction project (a hospital of two towers
on a podium) and a smaller school extension, with their people, organisation,
configuration, building models with version histories, a few thousand model
entities, QR labels, print records and work-sheet records, plus a handful of
bare projects so that the project search has pages to turn.

Everything comes from one seeded random generator, so running the script again
gives the same file byte for byte:

    python3 make_seed.py            # writes seed.json beside this script
    python3 make_seed.py -o FILE

Collections hold documents the way the service stores them: "_id" keys,
date-times as "2026-01-02T03:04:05.678Z" texts. Keys the service never sends
to a client (credentials, read and edit rights, version changes, capacities)
live in their own collections or are stripped by the sandbox when it answers.
"""

import argparse
import datetime as dt
import json
import os
import random

SEED = 20260115
NOW = dt.datetime(2026, 1, 15, 8, 0, 0, tzinfo=dt.timezone.utc)
SERVER_ID = "vh-sandbox-3f9c2a71"

rng = random.Random(SEED)
_counter = 0x3a5c00


def oid(when=None):
    """A MongoDB-style object id: creation seconds, a machine part, a counter."""
    global _counter
    _counter += 1
    seconds = int((when or NOW - dt.timedelta(days=400)).timestamp())
    return "%08x%010x%06x" % (seconds, 0x5e17ab1c0d, _counter)


def stamp(when):
    return when.strftime("%Y-%m-%dT%H:%M:%S.") + "%03dZ" % (when.microsecond // 1000)


def days_ago(days, hours=9):
    when = NOW - dt.timedelta(days=days)
    return when.replace(hour=hours, minute=rng.randrange(60), second=rng.randrange(60),
                        microsecond=rng.randrange(1000) * 1000)


def guid():
    return "%08x-%04x-%04x-%04x-%012x" % (rng.getrandbits(32), rng.getrandbits(16),
                                          rng.getrandbits(16), rng.getrandbits(16),
                                          rng.getrandbits(48))


collections = {}


def add(name, doc):
    collections.setdefault(name, []).append(doc)
    return doc


# --- People -----------------------------------------------------------------

USERS = [
    ("demo", "Demo User", "13800000001", "demo123"),
    ("li.wei", "Li Wei", "13800000002", "Passw0rd!"),
    ("sarah.okafor", "Sarah Okafor", "13800000003", "Passw0rd!"),
    ("tom.hughes", "Tom Hughes", "13800000004", "Passw0rd!"),
    ("mei.lin", "Mei Lin", "13800000005", "Passw0rd!"),
    ("raj.patel", "Raj Patel", "13800000006", "Passw0rd!"),
    ("anna.kowalski", "Anna Kowalski", "13800000007", "Passw0rd!"),
    ("james.wright", "James Wright", "13800000008", "Passw0rd!"),
    ("chen.hao", "Chen Hao", "13800000009", "Passw0rd!"),
    ("lucy.fernandes", "Lucy Fernandes", "13800000010", "Passw0rd!"),
    ("omar.haddad", "Omar Haddad", "13800000011", "Passw0rd!"),
    ("grace.kim", "Grace Kim", "13800000012", "Passw0rd!"),
    ("daniel.moreau", "Daniel Moreau", "13800000013", "Passw0rd!"),
]
SIGNATURES = ["Site manager", "BIM coordinator", "Structural engineer", "MEP engineer",
              "Quality inspector", "Safety officer", "Project architect", "Planner"]

users = {}
for index, (name, nick, phone, password) in enumerate(USERS):
    user = add("users", {
        "_id": oid(), "name": name, "nickName": nick,
        "avatar": "files/avatars/%s.png" % name.replace(".", "-"),
        "phoneNumber": phone, "countryCode": "+86",
        "signature": SIGNATURES[index % len(SIGNATURES)], "visible": index != 10,
        "createdAt": stamp(days_ago(900 - index * 13)),
    })
    users[name] = user["_id"]
    add("credentials", {"userId": user["_id"], "password": password})

# --- Organisation -------------------------------------------------------------

ENTERPRISES = [("Northbridge Construction Group", "Northbridge"),
               ("Harbourline Engineering Ltd", "Harbourline"),
               ("Cedarfield Developments", "")]
enterprises = [add("enterprises", {"_id": oid(), "name": n, "sortName": s})["_id"]
               for n, s in ENTERPRISES]

circles = {}
for key, name, sort_name, enterprise, parent in [
        ("nb", "Northbridge Healthcare Division", "NB Healthcare", 0, None),
        ("nb-south", "Northbridge South Region", "", 0, "nb"),
        ("hl", "Harbourline Education Projects", "HL Education", 1, None),
        ("hl-civil", "Harbourline Civil Works", "", 1, "hl"),
        ("cf", "Cedarfield Commercial", "Cedarfield", 2, None)]:
    circles[key] = add("circles", {
        "_id": oid(), "name": name, "sortName": sort_name,
        "enterpriseId": enterprises[enterprise],
        "parentId": circles[parent] if parent else ""})["_id"]

add("meta", {"serverId": SERVER_ID, "seed": SEED, "generatedAt": stamp(NOW),
             "countryCodes": ["+86", "+852", "+853", "+886", "+1", "+44", "+61", "+65",
                              "+81", "+49"]})

# --- Projects ---------------------------------------------------------------


def project(name, sort_name, code, description, location, address, enterprise, circle,
            admins, status, start_days, duration, capacity_gb):
    start = days_ago(start_days, 0)
    payment_id = oid()
    return add("projects", {
        "_id": oid(start), "name": name, "sortName": sort_name, "code": code,
        "description": description, "location": location,
        "enterpriseId": enterprise, "circleId": circle, "paymentId": payment_id,
        "pictures": [{"fileId": oid(), "name": "%s-%d.jpg" % (code.lower(), i)} for i in range(2)],
        "address": address, "adminIds": admins, "status": status,
        "platforms": ["pc", "web", "mobile"], "duration": duration,
        "startAt": stamp(start), "endAt": stamp(start + dt.timedelta(days=duration)),
        "expireAt": stamp(start + dt.timedelta(days=duration + 365)),
        "createAt": stamp(start - dt.timedelta(days=20)), "createBy": admins[0],
        "updateAt": stamp(days_ago(rng.randrange(3, 40))), "updateBy": admins[-1],
        "capacity": capacity_gb * 1024 ** 3,
        "payment": {"_id": payment_id, "plan": "Enterprise" if capacity_gb > 50 else "Team",
                    "paid": True, "expireAt": stamp(start + dt.timedelta(days=duration + 365))},
    })


hospital = project(
    "Riverside Medical Centre", "RMC", "RMC",
    "A 620-bed teaching hospital: two ward towers (Block A, 12 storeys; Block B, 8 storeys) "
    "on a three-level podium with operating theatres, imaging and a two-level car park.",
    "Nanshan District, Shenzhen",
    {"state": "China", "province": "Guangdong", "city": "Shenzhen", "area": "Nanshan",
     "road": "188 Keyuan South Road"},
    enterprises[0], circles["nb"], [users["demo"], users["li.wei"]], 1, 420, 1095, 200)
school = project(
    "Lakeview Primary School Extension", "Lakeview", "LPS",
    "A two-storey classroom extension and a new sports hall for a 900-pupil primary school.",
    "Tai Po, Hong Kong",
    {"state": "China", "province": "Hong Kong", "city": "Hong Kong", "area": "Tai Po",
     "road": "12 Ting Kok Road"},
    enterprises[1], circles["hl"], [users["sarah.okafor"], users["demo"]], 1, 150, 540, 2)

BARE = [("Harbour Bridge Maintenance 2026", 1, 1, "hl-civil", 2),
        ("Metro Line 4 Depot", 1, 1, "hl-civil", 1),
        ("Greenway Office Park Phase 2", 2, 2, "cf", 1),
        ("Old Mill Conversion", 2, 2, "cf", 2),
        ("Eastside Logistics Hub", 0, 0, "nb-south", 0),
        ("Civic Library Refurbishment", 0, 0, "nb-south", 1),
        ("Northgate Clinic Fit-out", 0, 0, "nb", 2)]
bare_projects = []
for index, (name, enterprise, _, circle, status) in enumerate(BARE):
    code = "".join(word[0] for word in name.split() if word[0].isalpha()).upper()
    bare_projects.append(project(
        name, "", code, "", "", {"state": "China", "province": "Guangdong",
                                 "city": "Guangzhou", "area": "", "road": ""},
        enterprises[enterprise], circles[circle], [users["demo"]], status,
        700 - index * 60, 365, 5))

# --- Structures and members ---------------------------------------------------


def structures_for(proj, units):
    """units: (key, name, parent key, type); returns key -> structure id."""
    ids, levels = {}, {}
    created = dt.datetime.fromisoformat(proj["createAt"].replace("Z", "+00:00"))
    for order, (key, name, parent, kind) in enumerate(units):
        level = levels[key] = 0 if parent is None else levels[parent] + 1
        ids[key] = add("structures", {
            "_id": oid(), "name": name, "hostId": proj["_id"],
            "parentId": ids[parent] if parent else "",
            "authTemplateId": "auth-" + ("admin" if kind == 0 else "member"),
            "type": kind, "level": level,
            "createdAt": stamp(created + dt.timedelta(hours=order))})["_id"]
    return ids


hospital_units = structures_for(hospital, [
    ("root", "Riverside Medical Centre", None, 0),
    ("owner", "Owner's Project Team", "root", 1),
    ("gc", "Northbridge General Contractor", "root", 1),
    ("design", "Design Institute", "root", 1),
    ("supervision", "Site Supervision", "root", 1),
    ("mep", "MEP Subcontractor", "gc", 2),
    ("facade", "Facade Subcontractor", "gc", 2)])
school_units = structures_for(school, [
    ("root", "Lakeview Primary School Extension", None, 0),
    ("client", "School Board", "root", 1),
    ("contractor", "Harbourline Site Team", "root", 1)])


def member(proj, user, structure, visible=True, days=300):
    add("members", {"_id": oid(), "projectId": proj["_id"], "userId": users[user],
                    "structureId": structure, "visible": visible,
                    "joinedAt": stamp(days_ago(days))})


for user, unit in [("demo", "gc"), ("li.wei", "gc"), ("sarah.okafor", "owner"),
                   ("tom.hughes", "design"), ("mei.lin", "design"), ("raj.patel", "mep"),
                   ("anna.kowalski", "supervision"), ("james.wright", "facade"),
                   ("chen.hao", "gc"), ("lucy.fernandes", "supervision"),
                   ("omar.haddad", "mep")]:
    member(hospital, user, hospital_units[unit], visible=user != "omar.haddad",
           days=rng.randrange(100, 400))
for user, unit in [("sarah.okafor", "contractor"), ("demo", "contractor"),
                   ("tom.hughes", "client"), ("lucy.fernandes", "contractor"),
                   ("chen.hao", "contractor")]:
    member(school, user, school_units[unit], days=rng.randrange(40, 140))
for proj in bare_projects:
    root = structures_for(proj, [("root", proj["name"], None, 0)])["root"]
    member(proj, "demo", root)
    member(proj, rng.choice(["li.wei", "chen.hao", "mei.lin"]), root)

# Membership requests: waiting, passed and rejected ones, and one invitation.
invitation = add("member_invitations", {
    "_id": oid(), "hostId": hospital["_id"], "type": 0, "createdBy": users["li.wei"],
    "qrCode": "https://sandbox.vhplatform.local/invite/%s" % SERVER_ID[-8:],
    "createdAt": stamp(days_ago(20))})
for user, proj, status, approver, unit in [
        ("grace.kim", hospital, 0, "", ""),
        ("daniel.moreau", hospital, 0, "", ""),
        ("grace.kim", school, 0, "", ""),
        ("lucy.fernandes", hospital, 1, "li.wei", hospital_units["supervision"]),
        ("omar.haddad", school, 2, "sarah.okafor", "")]:
    add("member_requests", {
        "_id": oid(), "hostId": proj["_id"], "type": 0, "userId": users[user],
        "status": status, "invitationId": invitation["_id"] if proj is hospital else "",
        "invitedBy": users["li.wei"] if proj is hospital else "",
        "createdBy": users[user], "approvedBy": users[approver] if approver else "",
        "approvedData": {"remark": "Welcome aboard" if status == 1 else "",
                         "positionId": "", "structureId": unit},
        "createdAt": stamp(days_ago(rng.randrange(2, 15)))})

# --- Project configuration ----------------------------------------------------

DOMAINS = {1: "Architecture", 2: "Structure", 3: "Plumbing", 4: "HVAC", 5: "Electrical",
           6: "Fire Protection"}
CATEGORIES = {
    1: {101: ["Basic Wall: Exterior - 300mm Concrete", "Basic Wall: Interior - 100mm Partition",
              "Basic Wall: Interior - 200mm Blockwork"],
        102: ["Single-Flush: 900 x 2100mm", "Double-Glass: 1800 x 2100mm",
              "Fire Door FD60: 1000 x 2100mm"],
        103: ["Fixed: 1200 x 1500mm", "Casement: 600 x 1200mm"],
        104: ["Floor: Screed 75mm", "Floor: Raised Access 300mm"],
        105: ["Cast-In-Place Stair: 1200mm", "Steel Stair: 1000mm"]},
    2: {201: ["Concrete-Rectangular-Column: 600 x 600mm", "Concrete-Round-Column: 500mm"],
        202: ["Concrete-Rectangular Beam: 400 x 700mm", "Steel UB 457x191x67"],
        203: ["Floor: Concrete Slab 250mm", "Floor: Post-tensioned Slab 300mm"],
        204: ["Pile Cap: 2-Pile 2400 x 1200", "Bored Pile: 900mm"]},
    3: {301: ["Pipe Types: Copper - 22mm", "Pipe Types: uPVC - 110mm"],
        302: ["Elbow - Copper: 22mm", "Tee - uPVC: 110mm"],
        303: ["WC Pan: Wall Hung", "Wash Basin: Vanity 600mm"]},
    4: {401: ["Rectangular Duct: 600 x 400mm", "Round Duct: 315mm"],
        402: ["Supply Diffuser: 600 x 600", "Return Grille: 400 x 200"],
        403: ["AHU: Air Handling Unit 5 m3/s", "FCU: Ceiling Fan Coil Unit"]},
    5: {501: ["Cable Tray: Ladder 300mm", "Cable Tray: Perforated 150mm"],
        502: ["LED Panel: 600 x 600 36W", "Downlight: LED 12W"],
        503: ["Distribution Board: DB-01", "Main Switchboard: MSB-01"]},
    6: {601: ["Sprinkler: Pendent K80", "Sprinkler: Upright K80"],
        602: ["Pipe Types: Steel - 65mm", "Pipe Types: Steel - 100mm"],
        603: ["Smoke Detector: Optical", "Manual Call Point"]},
}
DOMAIN_CODES = {1: "ARC", 2: "STR", 3: "PLB", 4: "HVC", 5: "ELE", 6: "FPR"}

for proj in (hospital, school):
    for code, name in DOMAINS.items():
        # A domain's id is the number that entities carry in "domain", as text.
        add("domains", {"_id": str(code), "projectId": proj["_id"], "name": name})
    for name in ["Reinforced concrete", "Structural steel", "Masonry", "Glazing",
                 "Mechanical services", "Electrical services"][: 6 if proj is hospital else 4]:
        add("species", {"_id": oid(), "projectId": proj["_id"], "name": name})
    for name in (["Piling works - Deepcore Foundations Ltd", "Superstructure - Northbridge",
                  "Curtain wall - Clearview Facades", "MEP - Voltaire Building Services",
                  "Lifts - Apex Elevators"] if proj is hospital else
                 ["Main works - Harbourline", "Sports flooring - ProCourt"]):
        add("subcontracts", {"_id": oid(), "projectId": proj["_id"], "name": name})
    buildings = ([("A", "Block A"), ("B", "Block B"), ("P", "Podium"), ("S", "Site")]
                 if proj is hospital else [("E", "Extension"), ("H", "Sports Hall")])
    for key, value in buildings + [("L01", "Level 1"), ("B1", "Basement 1"), ("RF", "Roof")]:
        add("encodingpairs", {"_id": oid(), "projectId": proj["_id"], "key": key,
                              "value": value})
    for rule, separator in [("{project}-{building}-{floor}-{domain}-{sequence}", "-"),
                            ("{building}.{floor}.{room}", ".")]:
        add("encodingrules", {"_id": oid(), "projectId": proj["_id"], "rule": rule,
                              "separator": separator})

MODULES = [("model", "Models", "", "design", "icon-model", True, False, True, True),
           ("qrcode", "QR Codes", "Labels", "construction", "icon-qrcode", True, False, True,
            False),
           ("inspection", "Inspections", "", "construction", "icon-inspect", True, False, True,
            True),
           ("contactsheet", "Contact Sheets", "", "construction", "icon-contact", True, False,
            True, True),
           ("progress", "Progress", "", "construction", "icon-progress", False, False, True,
            False),
           ("documents", "Documents", "", "operations", "icon-docs", True, True, False, False)]


def module_doc(key, name, nick, category, icon, value, internal, enable, statistics):
    doc = {"key": key, "name": name, "i18n": {"en_US": name, "zh_CN": ""},
           "category": category, "icon": icon, "value": value, "internal": internal,
           "enable": enable, "statistics": statistics}
    if nick:
        doc["nickName"] = nick
    return doc


for proj in (hospital, school):
    for spec in MODULES:
        add("modules", dict({"_id": oid(), "projectId": proj["_id"]}, **module_doc(*spec)))

group_ids = {}
for key, name in [("design", "Design"), ("construction", "Construction"),
                  ("operations", "Operations")]:
    group_ids[key] = add("module_groups", {
        "_id": oid(), "name": name, "i18n": {"en_US": name}, "parentId": "", "type": "group",
        "module": {}})["_id"]
for spec in MODULES:
    add("module_groups", {"_id": oid(), "name": spec[1], "i18n": {"en_US": spec[1]},
                          "parentId": group_ids[spec[3]], "type": "module",
                          "module": dict({"_id": oid()}, **module_doc(*spec))})

# --- Tags, rights and models --------------------------------------------------


def tag_types(proj, types):
    """types: (name, default, [tag names]); returns tag name -> tag id."""
    tags = {}
    for name, default, names in types:
        type_id = add("model_tag_types", {"_id": oid(), "projectId": proj["_id"],
                                          "name": name, "default": default})["_id"]
        for tag in names:
            tags[tag] = add("model_tags", {"_id": oid(), "projectId": proj["_id"],
                                           "name": tag, "type": type_id})["_id"]
    return tags


hospital_tags = tag_types(hospital, [
    ("Building", False, ["Block A", "Block B", "Podium", "Site"]),
    ("Discipline", True, ["Architecture", "Structure", "MEP"])])
school_tags = tag_types(school, [
    ("Discipline", True, ["Architecture", "Structure", "MEP"]),
    ("Area", False, ["Extension", "Sports Hall"])])

# Who may read and edit which models: the demo user cannot read site models of
# the hospital and cannot edit podium models there.
for proj, tags, user, value, items, denied in [
        (hospital, hospital_tags, "demo", "true", [("Podium", "false"), ("Block A", "true")],
         ["Site"]),
        (hospital, hospital_tags, "li.wei", "true", [], []),
        (hospital, hospital_tags, "tom.hughes", "false", [], ["Podium"]),
        (hospital, hospital_tags, "raj.patel", "true", [("Architecture", "false"),
                                                        ("Structure", "false")], []),
        (school, school_tags, "demo", "false", [("Extension", "true")], []),
        (school, school_tags, "sarah.okafor", "true", [], [])]:
    add("model_rights", {"projectId": proj["_id"], "userId": users[user], "value": value,
                         "items": [{"rId": tags[t], "value": v} for t, v in items],
                         "readDenied": [tags[t] for t in denied]})

HOSPITAL_FLOORS = {
    "A": ["B1", "L01", "L02", "L03", "L04", "L05", "L06", "L07", "L08", "L09", "L10", "L11",
          "L12", "RF"],
    "B": ["B1", "L01", "L02", "L03", "L04", "L05", "L06", "L07", "L08", "RF"],
    "P": ["B2", "B1", "L01", "L02", "L03"],
    "S": ["L00"],
    "E": ["L00", "L01", "L02", "RF"],
    "H": ["L00", "L01", "RF"],
}
GROUPS = ["Curtain Wall Assembly: CW-%02d", "Stair Core Assembly: SC-%02d",
          "Plant Room Skid: PR-%02d"]

# name, building tag, discipline tag, building, domains, entity count, versions, size MB
HOSPITAL_MODELS = [
    ("Block A - Architecture", "Block A", "Architecture", "A", [1], 330, 4, 412),
    ("Block A - Structure", "Block A", "Structure", "A", [2], 300, 3, 356),
    ("Block A - Plumbing", "Block A", "MEP", "A", [3], 180, 1, 148),
    ("Block A - HVAC", "Block A", "MEP", "A", [4], 170, 2, 166),
    ("Block A - Electrical", "Block A", "MEP", "A", [5], 160, 1, 121),
    ("Block A - Fire Protection", "Block A", "MEP", "A", [6], 120, 1, 87),
    ("Block A - Level 2 Fit-out", "Block A", "Architecture", "A", [1], 60, 1, 45),
    ("Block A - Level 10 Fit-out", "Block A", "Architecture", "A", [1], 60, 1, 47),
    ("Block B - Architecture", "Block B", "Architecture", "B", [1], 240, 2, 288),
    ("Block B - Structure", "Block B", "Structure", "B", [2], 220, 1, 251),
    ("Block B - MEP Coordination", "Block B", "MEP", "B", [3, 4, 5], 260, 3, 3277),
    ("Podium - Architecture", "Podium", "Architecture", "P", [1], 180, 1, 203),
    ("Podium - Structure", "Podium", "Structure", "P", [2], 200, 2, 234),
    ("Podium - Car Park MEP", "Podium", "MEP", "P", [4, 5, 6], 150, 1, 132),
    ("Site - External Works", "Site", "Architecture", "S", [1], 70, 1, 58),
    ("Site - Drainage", "Site", "MEP", "S", [3], 60, 1, 39),
]
SCHOOL_MODELS = [
    ("Extension - Architecture", "Extension", "Architecture", "E", [1], 160, 2, 96),
    ("Extension - Structure", "Extension", "Structure", "E", [2], 140, 1, 88),
    ("Extension - MEP", "Extension", "MEP", "E", [3, 4, 5], 130, 1, 74),
    ("Sports Hall - Architecture", "Sports Hall", "Architecture", "H", [1], 90, 1, 61),
    ("Sports Hall - Structure", "Sports Hall", "Structure", "H", [2], 80, 1, 55),
]
MODELLERS = {hospital["_id"]: ["tom.hughes", "mei.lin", "raj.patel", "li.wei"],
             school["_id"]: ["sarah.okafor", "chen.hao"]}
REMARKS = ["Issued for coordination", "Clash fixes after review", "Updated to client comments",
           "Issued for construction", ""]

entity_seq = {}


def element_name(domain, category):
    return rng.choice(CATEGORIES[domain][category])


def make_entity(proj, model, building, floor, domain, category, name, group, since):
    element = rng.randrange(200000, 999999)
    seq = entity_seq[proj["_id"]] = entity_seq.get(proj["_id"], 0) + 1
    return {
        "_id": oid(), "projectId": proj["_id"], "modelId": model["_id"],
        "model": model["name"], "uuid": "%s-%08x" % (guid(), element),
        "qrCode": "%s-%s-%s-%s-%05d" % (proj["code"], building, floor or "GRP",
                                        DOMAIN_CODES[domain], seq),
        "printed": False, "name": name, "entityId": str(element), "floor": floor,
        "domain": domain, "category": category, "group": group,
        "createdAt": model["createdAt"], "sinceVersion": since,
    }


printers = [users["demo"], users["anna.kowalski"], users["lucy.fernandes"], users["chen.hao"]]


def build_models(proj, specs, tags):
    models = []
    for name, building_tag, discipline_tag, building, domains, count, versions, size in specs:
        created = days_ago(rng.randrange(200, 380))
        modellers = MODELLERS[proj["_id"]]
        model = add("models", {
            "_id": oid(created), "projectId": proj["_id"], "name": name,
            "linkId": oid(), "modelFile": "", "remark": "", "modelSize": 0, "version": versions,
            "preprocessed": 2, "tags": [tags[discipline_tag], tags[building_tag]],
            "createdAt": stamp(created), "createdBy": users[modellers[0]],
            "updatedAt": "", "updatedBy": ""})
        model["modelId"] = model["_id"]
        floors = HOSPITAL_FLOORS[building]
        entities = []
        for index in range(count):
            domain = domains[index % len(domains)]
            category = rng.choice(sorted(CATEGORIES[domain]))
            since = 1 if versions == 1 or rng.random() < 0.85 else rng.randrange(2, versions + 1)
            if index < 3 and domain == 1:
                entity = make_entity(proj, model, building, "", domain, category,
                                     GROUPS[index] % (index + 1), True, 1)
            else:
                entity = make_entity(proj, model, building, rng.choice(floors), domain,
                                     category, element_name(domain, category), False, since)
            if rng.random() < 0.27:
                printed_at = days_ago(rng.randrange(1, 100), rng.randrange(7, 18))
                entity.update({"printed": True, "printedAt": stamp(printed_at),
                               "printedBy": rng.choice(printers)})
            entities.append(add("entities", entity))
        # The version history, oldest first; each later version records what
        # changed since the one before.
        when = created
        for version in range(1, versions + 1):
            when = when + dt.timedelta(days=rng.randrange(10, 45), hours=rng.randrange(8))
            changes = []
            if version > 1:
                for entity in entities:
                    if entity["sinceVersion"] == version:
                        changes.append({"uuid": entity["uuid"], "status": "add"})
                existing = [e for e in entities if e["sinceVersion"] < version]
                for entity in rng.sample(existing, min(len(existing), rng.randrange(8, 20))):
                    changes.append({"uuid": entity["uuid"], "status": "mod",
                                    "diff": rng.choice(["property", "geometry",
                                                        "property,geometry"])})
                for _ in range(rng.randrange(3, 8)):
                    domain = rng.choice(domains)
                    category = rng.choice(sorted(CATEGORIES[domain]))
                    gone = make_entity(proj, model, building, rng.choice(floors), domain,
                                       category, element_name(domain, category), False, 1)
                    changes.append({"uuid": gone["uuid"], "status": "del", "entity": {
                        k: gone[k] for k in ("name", "entityId", "floor", "domain",
                                             "category")}})
            version_size = int(size * 1024 ** 2 * (0.8 + 0.2 * version / versions)) + \
                rng.randrange(4096)
            history = add("histories", {
                "_id": oid(when), "modelId": model["_id"], "projectId": proj["_id"],
                "name": name, "linkId": model["linkId"],
                "modelFile": "files/models/%s/v%d.dng" % (model["_id"], version),
                "remark": REMARKS[(version + len(name)) % len(REMARKS)],
                "modelSize": version_size, "version": version, "preprocessed": 2,
                "tags": model["tags"], "updatedAt": stamp(when),
                "updatedBy": users[modellers[version % len(modellers)]],
                "changes": changes})
            for key in ("modelFile", "remark", "modelSize", "updatedAt", "updatedBy"):
                model[key] = history[key]
        models.append(model)
    return models


hospital_models = build_models(hospital, HOSPITAL_MODELS, hospital_tags)
school_models = build_models(school, SCHOOL_MODELS, school_tags)
# One model waits for preprocessing and one failed it, so a retry has work to do.
hospital_models[6]["preprocessed"] = 0
hospital_models[7]["preprocessed"] = 3

for proj, creator, name, models in [
        (hospital, "demo", "Block A coordination", hospital_models[:6]),
        (hospital, "demo", "Structure - all buildings",
         [m for m in hospital_models if "Structure" in m["name"]]),
        (hospital, "tom.hughes", "Fit-out review", hospital_models[6:8]),
        (school, "sarah.okafor", "Whole school", school_models)]:
    add("model_sets", {"_id": oid(), "projectId": proj["_id"], "name": name,
                       "modelIds": [m["_id"] for m in models],
                       "createdAt": stamp(days_ago(rng.randrange(5, 60))),
                       "createdBy": users[creator]})

# --- Entity data: extended properties, display settings, prints, periods -------

SUPPLIERS = ["Deepcore Foundations Ltd", "Clearview Facades", "Voltaire Building Services",
             "Shenzhen Steel Works", "Pearl River Precast"]
hospital_entities = [e for e in collections["entities"] if e["projectId"] == hospital["_id"]]
school_entities = [e for e in collections["entities"] if e["projectId"] == school["_id"]]
for proj, pool, count in [(hospital, hospital_entities, 420), (school, school_entities, 80)]:
    for entity in rng.sample(pool, count):
        batch = "B-2025-%03d" % rng.randrange(100, 140)
        properties = [
            {"category": "Procurement", "key": "Supplier", "value": rng.choice(SUPPLIERS)},
            {"category": "Quality", "key": "Inspection batch", "value": batch},
            {"category": "Quality", "key": "Status",
             "value": rng.choice(["Accepted", "Accepted", "Pending", "Rejected"])}]
        if rng.random() < 0.4:
            properties.append({"category": "Installation", "key": "Installed on",
                               "value": days_ago(rng.randrange(5, 90)).strftime("%Y-%m-%d")})
        add("extend_properties", {"_id": oid(), "projectId": proj["_id"],
                                  "uuid": entity["uuid"], "properties": properties})

for proj, groups in [(hospital, [("Identity", True), ("Constraints", True),
                                 ("Dimensions", True), ("Materials", True),
                                 ("Phasing", False), ("IFC Parameters", False)]),
                     (school, [("Identity", True), ("Phasing", False)])]:
    for group, visible in groups:
        add("entitySettings", {"_id": oid(), "projectId": proj["_id"], "group": group,
                               "visible": visible})

for entity in collections["entities"]:
    if not entity["printed"]:
        continue
    printed_at = dt.datetime.fromisoformat(entity["printedAt"].replace("Z", "+00:00"))
    prints = [printed_at] if rng.random() < 0.85 else \
        [printed_at - dt.timedelta(days=rng.randrange(3, 30)), printed_at]
    for when in prints:
        add("printRecords", {
            "_id": oid(when), "projectId": entity["projectId"], "rId": entity["_id"],
            "logo": "files/logos/northbridge.png", "type": 2,
            "properties": ["Name: " + entity["name"], "Floor: " + (entity["floor"] or "-"),
                           "Code: " + entity["qrCode"]],
            "createdAt": stamp(when), "createdBy": entity["printedBy"]})

for entity in rng.sample(hospital_entities, 60):
    for phase in (["Installation"] if rng.random() < 0.6 else ["Installation", "Inspection"]):
        start = days_ago(rng.randrange(-30, 120))
        add("periods", {"_id": oid(), "code": entity["qrCode"], "name": phase, "properties": [
            {"key": "Planned start", "value": start.strftime("%Y-%m-%d")},
            {"key": "Planned finish", "value": (start + dt.timedelta(
                days=rng.randrange(3, 21))).strftime("%Y-%m-%d")},
            {"key": "Progress", "value": rng.choice([0, 0.25, 0.5, 0.75, 1])},
            {"key": "Crew size", "value": rng.randrange(2, 12)}]})

# --- QR settings and templates ------------------------------------------------

add("qrSettings", {"_id": oid(), "hostId": hospital["_id"], "userId": None,
                   "logo": "files/logos/northbridge.png", "type": 2})
add("qrSettings", {"_id": oid(), "hostId": hospital["_id"], "userId": users["demo"],
                   "logo": "files/logos/demo.png", "type": 1})


def template_items(pairs):
    return [{"key": k, "value": v, "property": p} for k, v, p in pairs]


for proj, name, kind, pairs in [
        (hospital, "Standard label", 1, [("Name", "name", True), ("Floor", "floor", True),
                                         ("Project", hospital["name"], False)]),
        (hospital, "Label 2", 2, [("Name", "name", True), ("Code", "qrCode", True)]),
        (hospital, "label 10", 2, [("Supplier", "Supplier", True),
                                   ("Batch", "Inspection batch", True)]),
        (school, "Site label", 1, [("Name", "name", True), ("School", school["name"], False)])]:
    add("qr_templates", {"_id": oid(), "projectId": proj["_id"], "name": name, "type": kind,
                         "data": template_items(pairs)})

# --- Work sheets ---------------------------------------------------------------

INSPECTION_TITLES = ["Rebar check before pour", "Formwork alignment", "Fire stopping at "
                     "penetrations", "Scaffold tagging", "Edge protection", "Duct leakage test",
                     "Door hardware check", "Hot works permit", "Waterproofing membrane"]
for proj, count, team in [
        (hospital, 150, ["demo", "anna.kowalski", "lucy.fernandes", "li.wei", "chen.hao"]),
        (school, 40, ["demo", "sarah.okafor", "chen.hao"])]:
    for _ in range(count):
        created = days_ago(rng.randrange(1, 180), rng.randrange(7, 18))
        deadline = created + dt.timedelta(days=rng.randrange(3, 30))
        status = rng.choice(["1", "2", "3", "4", "finished", "finished"])
        add("inspects", {
            "_id": oid(created), "projectId": proj["_id"],
            "category": "quality" if rng.random() < 0.6 else "safety",
            "title": rng.choice(INSPECTION_TITLES), "status": status,
            "situation": "delay" if status != "finished" and deadline < NOW else "normal",
            "deadline": stamp(deadline), "createdAt": stamp(created),
            "createdBy": users[rng.choice(team)], "assigneeId": users[rng.choice(team)]})
    for _ in range(count // 4):
        created = days_ago(rng.randrange(1, 120), rng.randrange(7, 18))
        add("contactsheets", {
            "_id": oid(created), "projectId": proj["_id"],
            "title": rng.choice(["Request for information", "Design change notice",
                                 "Site instruction", "Material approval"]),
            "status": rng.choice(["draft", "applied", "replied", "finished", "finished"]),
            "needApply": rng.random() < 0.7, "createdBy": users[rng.choice(team)],
            "receiverIds": [users[rng.choice(team)]], "createdAt": stamp(created)})

# --- Client builds offered by the update server -----------------------------------

for version, build, forced, days, text in [
        ("3.8.2", "3820", False, 60, "Faster model loading; QR label preview."),
        ("3.9.0", "3900", True, 8, "Model version comparison; required for the new "
                                  "print-record format.")]:
    add("builds", {"_id": oid(days_ago(days)), "name": "VH Desktop %s" % version,
                   "version": version, "build": build, "fileId": oid(), "device": "pc",
                   "description": text, "forced": forced, "serverId": SERVER_ID,
                   "createdAt": stamp(days_ago(days))})


def write(path):
    lines = ["{", '"collections": {']
    names = list(collections)
    for index, name in enumerate(names):
        docs = collections[name]
        lines.append("%s: [" % json.dumps(name))
        for position, doc in enumerate(docs):
            text = json.dumps(doc, ensure_ascii=False, separators=(",", ":"))
            lines.append(text + ("," if position + 1 < len(docs) else ""))
        lines.append("]" + ("," if index + 1 < len(names) else ""))
    lines.append("}", )
    lines.append("}")
    with open(path, "w", encoding="utf-8") as out:
        out.write("\n".join(lines) + "\n")


if __name__ == "__main__":
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("-o", "--output",
                        default=os.path.join(os.path.dirname(os.path.abspath(__file__)),
                                             "seed.json"))
    write(parser.parse_args().output)
