import pytest

from ansible_collections.kip.param.plugins.module_utils.values import RefusedValue, checked, find_key, normalised


@pytest.mark.parametrize("path, document_text, operator_text", [
    ("config:RadioID", "-1294967296", "3000000000"),
    ("config:RadioID", "2147483647", "2147483647"),
    ("config:Power", "7", "7"),
    ("config:InstallType", "A", "A"),
    ("config:InstallType", "\x00", "\\x00"),
    ("config:InstallType", " ", "\\x20"),
    ("config:InstallType", "\xff", "\\xff"),
    ("config:ItpRemoteIP", "10.0.0.1", "10.0.0.1"),
    ("config:Address", "ABCDEF0123", "ABCDEF0123"),
])
def test_document_values_read_as_the_operator_types_them(path, document_text, operator_text):
    assert normalised(find_key(path), document_text) == operator_text


@pytest.mark.parametrize("path, given, document_text, operator_text", [
    ("config:RadioID", 3000000000, "-1294967296", "3000000000"),
    ("config:RadioID", "4294967295", "-1", "4294967295"),
    ("config:RadioID", "2147483647", "2147483647", "2147483647"),
    ("config:Power", "007", "007", "7"),
    ("LunConfig:ItpLink:RemotePort", 65535, "65535", "65535"),
    ("config:InstallType", "<", "<", "<"),
    ("config:ItpRemoteIP", "0.0.0.0", "0.0.0.0", "0.0.0.0"),
    ("config:Address", "abcdef0123", "abcdef0123", "ABCDEF0123"),
])
def test_given_values_travel_as_the_client_sends_them(path, given, document_text, operator_text):
    assert checked(find_key(path), given) == (document_text, operator_text)


@pytest.mark.parametrize("path, given", [
    ("config:Power", 256), ("config:Power", "-1"), ("config:Power", "+1"), ("config:Power", " 1"),
    ("config:Power", "0x10"), ("config:Power", ""), ("config:Power", True), ("config:Power", 1.5),
    ("config:Power", "\u0661"), ("config:RadioID", 4294967296), ("LunConfig:LogLevel", [1]),
    ("config:ItpRemoteIP", "10.1"), ("config:ItpRemoteIP", "10.0.0.01"), ("config:ItpRemoteIP", "10.0.0.256"),
    ("config:ItpRemoteIP", "255.255.255.255"), ("config:ItpRemoteIP", "0x0a.0.0.1"),
    ("config:Address", "ABCDEF012"), ("config:Address", "ABCDEF01234"), ("config:Address", "ABCDEF012G"),
    ("config:InstallType", "AB"), ("config:InstallType", ""), ("config:InstallType", "\u00e9"),
    ("config:InstallType", " "), ("config:InstallType", "\t"),
])
def test_values_the_client_refuses_are_refused(path, given):
    with pytest.raises(RefusedValue, match=path):
        checked(find_key(path), given)


def test_unknown_keys_are_refused():
    with pytest.raises(RefusedValue, match="no key 'config:Nothing'"):
        find_key("config:Nothing")
