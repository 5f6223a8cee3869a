import pytest

from ansible_collections.kip.param.plugins.module_utils import documents
from fake_unit import FACTORY, document, report


def test_documents_read_as_the_operator_types_them():
    values = dict(FACTORY, **{"config:RadioID": "-1294967296", "config:InstallType": "<",
                              "config:NetLoggerIP": "10.1.2.3", "LunConfig:ItpLink:RemotePort": "4001",
                              "LunConfig:LogLevel": "5"})
    dor = documents.read_document("DOR", document("config", values))
    lun = documents.read_document("LUN", document("LunConfig", values))
    assert (dor["config:RadioID"], dor["config:InstallType"], dor["config:NetLoggerIP"]) == ("3000000000", "<",
                                                                                            "10.1.2.3")
    assert (lun["LunConfig:ItpLink:RemotePort"], lun["LunConfig:ItpLink:LocalPort"]) == ("4001", "0")
    assert lun["LunConfig:LogLevel"] == "5" and "config:NetLoggerIP" not in lun
    assert set(dor) | set(lun) == {
        key["path"] for key in documents.KEYS if key["query"] or key["path"] == documents.NET_LOGGER_PATH}


@pytest.mark.parametrize("byte, read", [("\x00", "\\x00"), ("\n", "\\x0a"), ("\r", "\\x0d"), ("\xe9", "\\xe9")])
def test_a_character_key_holds_any_byte(byte, read):
    reply = document("config", dict(FACTORY, **{"config:InstallType": byte}))
    assert documents.read_document("DOR", reply)["config:InstallType"] == read


@pytest.mark.parametrize("query, reply", [
    ("DOR", document("LunConfig", FACTORY)),
    ("LUN", document("config", FACTORY)),
    ("DOR", report(FACTORY, "SUCCESS", "NA", 3)),
    ("DOR", document("config", FACTORY)[:-40]),
    ("DOR", b"Invalid query parameter.\n"),
])
def test_a_reply_of_another_shape_is_no_document(query, reply):
    with pytest.raises(documents.BadReply):
        documents.read_document(query, reply)


def test_the_smallest_document_holds_each_root_once_and_one_itp_link():
    sent = documents.build_document({"LunConfig:ItpLink:RemotePort": "4001", "config:Power": "7",
                                     "LunConfig:LogLevel": "4", "LunConfig:ItpLink:RemoteAddress": "10.0.0.9",
                                     "config:InstallType": "&"})
    assert sent == (b"<config><Power>7</Power><InstallType>&amp;</InstallType></config>"
                    b"<LunConfig><LogLevel>4</LogLevel><ItpLink><RemotePort>4001</RemotePort>"
                    b"<RemoteAddress>10.0.0.9</RemoteAddress></ItpLink></LunConfig>")


def test_a_document_longer_than_one_datagram_is_refused():
    assert len(documents.build_document({"config:InstallType": "<" * 364})) == 1500
    with pytest.raises(ValueError, match="1501 bytes"):
        documents.build_document({"config:InstallType": "<" * 364 + "x"})


def test_reports_read_into_their_fields():
    read = documents.read_report(report(dict(FACTORY, **{"config:KipDisableDutyCycle": "1"}), "SUCCESS", "NA", 12))
    assert (read["dor"], read["lun"], read["responses"]) == ("SUCCESS", "NA", 12)
    assert read["kip_params"]["config:KipDisableDutyCycle"] == "1"
    assert read["kip_params"]["actual:DcTransmitLimit"] == "7"


@pytest.mark.parametrize("reply", [
    document("config", FACTORY), b"System will reboot.\n",
    report(FACTORY, "SUCCESS", "NA", 12)[:-1], report(FACTORY, "MAYBE", "NA", 12),
])
def test_anything_else_is_no_report(reply):
    with pytest.raises(documents.BadReply):
        documents.read_report(reply)
