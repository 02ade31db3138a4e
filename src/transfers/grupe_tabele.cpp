// The ten table passes of the groups refresh: their lookups, statements,
// update rules and triggers, in the order the refresh runs them.
#include "transfers/grupe_tabele.h"

namespace {

const QString kIskanje_dept060 = QStringLiteral("select sifra031 from tavo.kr031org where code_031=:code_031 and stat_031='1'");
const QString kIskanje_dept = QStringLiteral("select sifra031 from tavo.kr031org where code_031=:code_031");
const QString kIskanje_grp = QStringLiteral("select sifra061 from tavo.ka061grp where code_061=:code_061");
const QString kIskanje_akt = QStringLiteral("select sifra060 from tavo.ka060ak0 where code_060=:code_060");
const QString kIskanje_hc = QStringLiteral("select sifra055 from tavo.ka055hc0 where code_055=:code_055");
const QString kIskanje_sto = QStringLiteral("select sifra011 from tavo.ka011nhc where code_011=:code_011");

} // namespace

const QList<TOpisPrehoda> &prehodiGrup()
{
    static const QList<TOpisPrehoda> prehodi = [] {
        QList<TOpisPrehoda> p;
        // Codes the passes of groups, activities and HCs insert.
        const QHash<QString, QString> tabele = {{QStringLiteral("SIFRA061"), QStringLiteral("KA061GRP")},
                                                {QStringLiteral("SIFRA060"), QStringLiteral("KA060AK0")},
                                                {QStringLiteral("SIFRA055"), QStringLiteral("KA055HC0")},
                                                {QStringLiteral("SIFNA055"), QStringLiteral("KA055HC0")}};
        {
            TOpisPrehoda d;
            d.tabela = QStringLiteral("KA061GRP");
            d.kodaVrstice = QStringLiteral("CODE_061");
            d.imeNapake = QStringLiteral("GRUPE");
            d.preskociPrazno = QStringLiteral("CODE_061");
            d.obstoj = QStringList{
                QStringLiteral("select grp.*,to_char(grp.datumipl,'DD.MM.YYYY HH24:MI:SS') datipl from tavo.ka061grp grp where code_061=:code_061 order by stat_061 desc")};
            d.posodobi = QStringList{
                QStringLiteral("update tavo.ka061grp set "),
                QStringLiteral(" DESC_061=:DESC_061, LEVEL231=:LEVEL231, CODE_061=:CODE_061, EMPTY061=:EMPTY061,"),
                QStringLiteral("  DATUMIPL=to_date(:DATUMIPL,'DD.MM.YYYY HH24:MI:SS'), USER_IPL=:USER_IPL,TYPE_061=:TYPE_061, STAT_061=:STAT_061,SIFRA038=:SIFRA038 "),
                QStringLiteral(" WHERE SIFRA061=:SIFRA061")};
            d.vstavi = QStringList{
                QStringLiteral("insert into tavo.ka061grp"),
                QStringLiteral(" (SIFRA061, DESC_061, LEVEL231, CODE_061, EMPTY061, DATUMIPL, USER_IPL,"),
                QStringLiteral("  TYPE_061, STAT_061,SIFRA038)"),
                QStringLiteral("  values"),
                QStringLiteral(" (tavo.getSequence('KA061GRP'),:DESC_061,:LEVEL231,:CODE_061,:EMPTY061,to_date(:DATUMIPL,'DD.MM.YYYY HH24:MI:SS'),:USER_IPL,"),
                QStringLiteral("  :TYPE_061,:STAT_061,:SIFRA038)")};
            d.kljucVrstice = QStringLiteral("SIFRA061");
            d.pravilo = TPraviloPosodobitve::novejsi;
            d.trigger = QStringLiteral("BTKA061GRP");
            d.celaStevila = {QStringLiteral("SIFRA038")};
            d.tabeleIskanj = tabele;
            p << d;
        }
        {
            TOpisPrehoda d;
            d.tabela = QStringLiteral("KA060AK0");
            d.kodaVrstice = QStringLiteral("CODE_060");
            d.imeNapake = QStringLiteral("AKTIVNOSTI");
            d.iskanja << TIskanjeKode{QStringLiteral("CODE_031"), QStringLiteral("SIFRA031"), kIskanje_dept060, QStringLiteral("Ni oddelka "), true};
            d.obstoj = QStringList{
                QStringLiteral("select ak.*,to_char(ak.datumipl,'DD.MM.YYYY HH24:MI:SS') datipl from tavo.ka060ak0 ak where code_060=:code_060 order by stat_060 desc")};
            d.posodobi = QStringList{
                QStringLiteral("update tavo.ka060ak0 set "),
                QStringLiteral(" TIP__060=:TIP__060, SIFR1061=:SIFR1061, OPIS_060=:OPIS_060, TIPIZ060=:TIPIZ060,DOD__060=:DOD__060, IZVID060=:IZVID060,"),
                QStringLiteral(" TRAJ_060=:TRAJ_060, SOCT_060=:SOCT_060, CASE_060=:CASE_060, SSIF_NE4=:SSIF_NE4,DATUMIPL=to_date(:DATUMIPL,'DD.MM.YYYY HH24:MI:SS'), USER_IPL=:USER_IPL,"),
                QStringLiteral(" PREV_060=:PREV_060, SIFRA031=:SIFRA031, EXSTC060=:EXSTC060, STAT_060=:STAT_060,TR_TP060=:TR_TP060, TR_PA060=:TR_PA060, TRTPR060=:TRTPR060,"),
                QStringLiteral(" TRTEX060=:TRTEX060, TRTAD060=:TRTAD060, TEZ__060=:TEZ__060, TTER_060=:TTER_060, INFO_060=:INFO_060, SIFR2060=:SIFR2060"),
                QStringLiteral(" WHERE SIFRA060=:SIFRA060 ")};
            d.vstavi = QStringList{
                QStringLiteral("insert into tavo.ka060ak0"),
                QStringLiteral(" (SIFRA060, TIP__060, SIFR1061, OPIS_060, TIPIZ060, DOD__060, IZVID060,"),
                QStringLiteral("  TRAJ_060, SOCT_060, CASE_060, CODE_060, SSIF_NE4, DATUMIPL, USER_IPL,"),
                QStringLiteral("  PREV_060, SIFRA031, EXSTC060, STAT_060,TR_TP060, TR_PA060, TRTPR060,"),
                QStringLiteral("  TRTEX060, TRTAD060, TEZ__060, TTER_060, INFO_060, SIFR2060)"),
                QStringLiteral("  values"),
                QStringLiteral(" (tavo.getSequence('KA060AK0'),:TIP__060,:SIFR1061,:OPIS_060,:TIPIZ060,:DOD__060,:IZVID060,"),
                QStringLiteral("  :TRAJ_060,:SOCT_060,:CASE_060,:CODE_060,:SSIF_NE4, to_date(:DATUMIPL,'DD.MM.YYYY HH24:MI:SS'),:USER_IPL,"),
                QStringLiteral("  :PREV_060,:SIFRA031,:EXSTC060,:STAT_060,:TR_TP060, :TR_PA060, :TRTPR060,"),
                QStringLiteral("  :TRTEX060,:TRTAD060,:TEZ__060,:TTER_060,:INFO_060,:SIFR2060)")};
            d.kljucVrstice = QStringLiteral("SIFRA060");
            d.pravilo = TPraviloPosodobitve::novejsi;
            d.trigger = QStringLiteral("BTKA060AK0");
            d.celaStevila = {QStringLiteral("TRAJ_060"), QStringLiteral("TR_TP060"), QStringLiteral("TR_PA060"), QStringLiteral("TRTPR060"), QStringLiteral("TRTEX060"), QStringLiteral("TRTAD060"), QStringLiteral("TEZ__060")};
            d.tabeleIskanj = tabele;
            p << d;
        }
        {
            TOpisPrehoda d;
            d.tabela = QStringLiteral("PO061GRP");
            d.imeNapake = QStringLiteral("PO061GRP");
            d.iskanja << TIskanjeKode{QStringLiteral("CODE_060"), QStringLiteral("SIFRA060"), kIskanje_akt, QStringLiteral("Ni aktivnosti "), false};
            d.iskanja << TIskanjeKode{QStringLiteral("CODE_061"), QStringLiteral("SIFRA061"), kIskanje_grp, QStringLiteral("Ni grupe "), false};
            d.obstoj = QStringList{
                QStringLiteral("select * from tavo.po061grp where sifra061=:sifra061 and sifra060=:sifra060")};
            d.vstavi = QStringList{
                QStringLiteral("insert into tavo.po061grp"),
                QStringLiteral(" (SIFRA061, SIFRA060, DATUMIPL, USER_IPL,IDPO_061)"),
                QStringLiteral("  values"),
                QStringLiteral(" (:SIFRA061,:SIFRA060,to_date(:DATUMIPL,'DD.MM.YYYY HH24:MI:SS'),:USER_IPL,tavo.getSequence('PO061GRP'))")};
            d.pravilo = TPraviloPosodobitve::nikoli;
            d.tabeleIskanj = tabele;
            p << d;
        }
        {
            TOpisPrehoda d;
            d.tabela = QStringLiteral("PO061SPG");
            d.imeNapake = QStringLiteral("PO061SPG");
            d.iskanja << TIskanjeKode{QStringLiteral("CODE_031"), QStringLiteral("SIFRA031"), kIskanje_dept, QStringLiteral("Ni oddelka "), false};
            d.iskanja << TIskanjeKode{QStringLiteral("CODE_061"), QStringLiteral("SIFRA061"), kIskanje_grp, QStringLiteral("Ni grupe "), false};
            d.obstoj = QStringList{
                QStringLiteral("select po.*,to_char(po.datumipl,'DD.MM.YYYY HH24:MI:SS') datipl from tavo.po061spg po where sifra061=:sifra061 and sifra031=:sifra031")};
            d.posodobi = QStringList{
                QStringLiteral("update tavo.po061spg set"),
                QStringLiteral("ORDR_061=:ORDR_061, PERF_061=:PERF_061,LABG_061=:LABG_061,DATUMIPL=to_date(:DATUMIPL,'DD.MM.YYYY HH24:MI:SS'),USER_IPL=:USER_IPL"),
                QStringLiteral("  WHERE idpo_061=:IDPO_061")};
            d.vstavi = QStringList{
                QStringLiteral("insert into tavo.po061spg"),
                QStringLiteral(" (SIFRA061, SIFRA031, ORDR_061, PERF_061,LABG_061,IDPO_061,DATUMIPL,USER_IPL)"),
                QStringLiteral("  values"),
                QStringLiteral(" (:SIFRA061,:SIFRA031,:ORDR_061,:PERF_061,:LABG_061,tavo.getSequence('PO061SPG'),to_date(:DATUMIPL,'DD.MM.YYYY HH24:MI:SS'),:USER_IPL)")};
            d.kljucVrstice = QStringLiteral("IDPO_061");
            d.pravilo = TPraviloPosodobitve::novejsi;
            d.trigger = QStringLiteral("BTPO061SPG");
            d.tabeleIskanj = tabele;
            p << d;
        }
        {
            TOpisPrehoda d;
            d.tabela = QStringLiteral("KA055HC0");
            d.kodaVrstice = QStringLiteral("CODE_055");
            d.imeNapake = QStringLiteral("KA055HC0");
            d.obstoj = QStringList{
                QStringLiteral("select hc.*,to_char(hc.datumipl,'DD.MM.YYYY HH24:MI:SS') datipl from tavo.ka055hc0 hc where code_055=:code_055 order by stat_055 desc")};
            d.posodobi = QStringList{
                QStringLiteral("update tavo.ka055hc0 set "),
                QStringLiteral(" KONC_055=:KONC_055, STRU_055=:STRU_055, DATUMIPL=to_date(:DATUMIPL,'DD.MM.YYYY HH24:MI:SS'), USER_IPL=:USER_IPL, SIFRA000=:SIFRA000, TYPE_055=:TYPE_055,"),
                QStringLiteral("  VALID055=:VALID055, DESC_055=:DESC_055, STAT_055=:STAT_055, CODE_055=:CODE_055, INFO_055=:INFO_055, CRIT_055=:CRIT_055, COTX_055=:COTX_055,"),
                QStringLiteral("  COTXD055=:COTXD055, COTXL055=:COTXL055 "),
                QStringLiteral("  WHERE SIFRA055=:SIFRA055")};
            d.vstavi = QStringList{
                QStringLiteral("insert into tavo.ka055hc0"),
                QStringLiteral(" (SIFRA055, KONC_055, STRU_055, DATUMIPL, USER_IPL, SIFRA000, TYPE_055,"),
                QStringLiteral("  VALID055, DESC_055, STAT_055, CODE_055, INFO_055, CRIT_055, COTX_055,"),
                QStringLiteral("  COTXD055, COTXL055)"),
                QStringLiteral("  values"),
                QStringLiteral(" (tavo.getSequence('KA055HC0'),:KONC_055,:STRU_055,to_date(:DATUMIPL,'DD.MM.YYYY HH24:MI:SS'),:USER_IPL,:SIFRA000,:TYPE_055,"),
                QStringLiteral("  :VALID055, :DESC_055, :STAT_055, :CODE_055, :INFO_055, :CRIT_055, :COTX_055,"),
                QStringLiteral("  :COTXD055, :COTXL055)")};
            d.kljucVrstice = QStringLiteral("SIFRA055");
            d.pravilo = TPraviloPosodobitve::vedno;
            d.trigger = QStringLiteral("BTKA055HC0");
            d.celaStevila = {QStringLiteral("COTXL055")};
            d.tabeleIskanj = tabele;
            p << d;
        }
        {
            TOpisPrehoda d;
            d.tabela = QStringLiteral("PO065HC0");
            d.imeNapake = QStringLiteral("PO065HC0");
            d.iskanja << TIskanjeKode{QStringLiteral("CODE_055"), QStringLiteral("SIFRA055"), kIskanje_hc, QStringLiteral("Ni HC-ja "), false};
            d.iskanja << TIskanjeKode{QStringLiteral("CODE_061"), QStringLiteral("SIFRA061"), kIskanje_grp, QStringLiteral("Ni grupe "), false};
            d.obstoj = QStringList{
                QStringLiteral("select po.*,to_char(po.datumipl,'DD.MM.YYYY HH24:MI:SS') datipl from tavo.po065hc0 po where sifra061=:sifra061 and sifra055=:sifra055")};
            d.posodobi = QStringList{
                QStringLiteral("update tavo.po065hc0 set "),
                QStringLiteral(" DATUMIPL=to_date(:DATUMIPL,'DD.MM.YYYY HH24:MI:SS'), USER_IPL=:USER_IPL,ORDIN065=:ORDIN065, CARD_065=:CARD_065 "),
                QStringLiteral(" WHERE IDPO_065=:IDPO_065 ")};
            d.vstavi = QStringList{
                QStringLiteral("insert into tavo.po065hc0"),
                QStringLiteral(" (SIFRA055, DATUMIPL, USER_IPL, SIFRA061, ORDIN065, CARD_065, IDPO_065)"),
                QStringLiteral("  values"),
                QStringLiteral(" (:SIFRA055,to_date(:DATUMIPL,'DD.MM.YYYY HH24:MI:SS'),:USER_IPL,:SIFRA061,:ORDIN065,:CARD_065,tavo.getSequence('PO065HC0'))")};
            d.kljucVrstice = QStringLiteral("IDPO_065");
            d.pravilo = TPraviloPosodobitve::novejsi;
            d.trigger = QStringLiteral("BTPO065HC0");
            d.tabeleIskanj = tabele;
            p << d;
        }
        {
            TOpisPrehoda d;
            d.tabela = QStringLiteral("PO055SHC");
            d.imeNapake = QStringLiteral("PO055SHC");
            d.iskanja << TIskanjeKode{QStringLiteral("CODE_055"), QStringLiteral("SIFRA055"), kIskanje_hc, QStringLiteral("Ni HC-ja "), false};
            d.iskanja << TIskanjeKode{QStringLiteral("CODEN055"), QStringLiteral("SIFNA055"), kIskanje_hc, QStringLiteral("Ni HC-ja "), false};
            d.obstoj = QStringList{
                QStringLiteral("select po.*,to_char(po.datumipl,'DD.MM.YYYY HH24:MI:SS') datipl from tavo.po055shc po where sifra055=:sifra055 and sifna055=:sifna055")};
            d.posodobi = QStringList{
                QStringLiteral("update tavo.po055shc set "),
                QStringLiteral(" DATUMIPL=to_date(:DATUMIPL,'DD.MM.YYYY HH24:MI:SS'), USER_IPL=:USER_IPL, ORDIN055=:ORDIN055, CARD_055=:CARD_055"),
                QStringLiteral("  WHERE IDPO_055=:IDPO_055")};
            d.vstavi = QStringList{
                QStringLiteral("insert into tavo.po055shc"),
                QStringLiteral(" (SIFNA055,SIFRA055, DATUMIPL, USER_IPL, ORDIN055, CARD_055, IDPO_055)"),
                QStringLiteral("  values"),
                QStringLiteral(" (:SIFNA055,:SIFRA055,to_date(:DATUMIPL,'DD.MM.YYYY HH24:MI:SS'),:USER_IPL,:ORDIN055,:CARD_055,tavo.getSequence('PO055SHC'))")};
            d.kljucVrstice = QStringLiteral("IDPO_055");
            d.pravilo = TPraviloPosodobitve::novejsi;
            d.trigger = QStringLiteral("BT055SHC");
            d.tabeleIskanj = tabele;
            p << d;
        }
        {
            TOpisPrehoda d;
            d.tabela = QStringLiteral("KA062NHC");
            d.imeNapake = QStringLiteral("KA062NHC");
            d.iskanja << TIskanjeKode{QStringLiteral("CODE_060"), QStringLiteral("SIFRA060"), kIskanje_akt, QStringLiteral("Ni aktivnosti "), false};
            d.iskanja << TIskanjeKode{QStringLiteral("CODE_011"), QStringLiteral("SIFRA011"), kIskanje_sto, QStringLiteral("Ni storitve "), false};
            d.obstoj = QStringList{
                QStringLiteral("select ka.*,to_char(ka.datumipl,'DD.MM.YYYY HH24:MI:SS') datipl from tavo.ka062nhc ka where ka.sifra060=:sifra060 and ka.sifra011=:sifra011")};
            d.posodobi = QStringList{
                QStringLiteral("update tavo.ka062nhc set "),
                QStringLiteral(" KOL1_062=:KOL1_062, STAT_062=:STAT_062,DATUMIPL=to_date(:DATUMIPL,'DD.MM.YYYY HH24:MI:SS'),USER_IPL=:USER_IPL,OBV__110=:OBV__110,DAY__231=:DAY__231,TYPE_231=:TYPE_231,TYPES231=:TYPES231"),
                QStringLiteral("  WHERE SIFRA062=:SIFRA062")};
            d.vstavi = QStringList{
                QStringLiteral("insert into tavo.ka062nhc"),
                QStringLiteral(" (SIFRA060,SIFRA011, KOL1_062, STAT_062,DATUMIPL, USER_IPL, SIFRA062,OBV__110,DAY__231,TYPE_231,TYPES231)"),
                QStringLiteral("  values"),
                QStringLiteral(" (:SIFRA060,:SIFRA011,:KOL1_062,:STAT_062,to_date(:DATUMIPL,'DD.MM.YYYY HH24:MI:SS'),:USER_IPL,tavo.getSequence('KA062NHC'),:OBV__110,:DAY__231,:TYPE_231,:TYPES231)")};
            d.kljucVrstice = QStringLiteral("SIFRA062");
            d.pravilo = TPraviloPosodobitve::novejsi;
            d.trigger = QStringLiteral("BTKA062NHC");
            d.celaStevila = {QStringLiteral("KOL1_062")};
            d.tabeleIskanj = tabele;
            p << d;
        }
        {
            TOpisPrehoda d;
            d.tabela = QStringLiteral("KA055LAB");
            d.imeNapake = QStringLiteral("KA055LAB");
            d.iskanja << TIskanjeKode{QStringLiteral("CODE_055"), QStringLiteral("SIFRA055"), kIskanje_hc, QStringLiteral("Ni HCja "), false};
            d.obstoj = QStringList{
                QStringLiteral("select ka.*,to_char(ka.datumipl,'DD.MM.YYYY HH24:MI:SS') datipl  from tavo.ka055lab ka where ka.sifra055=:sifra055")};
            d.posodobi = QStringList{
                QStringLiteral("update tavo.ka055lab set "),
                QStringLiteral("IZVID055=:IZVID055, SSIF_GP1=:SSIF_GP1, REF__055=:REF__055, REFMI055=:REFMI055, REFMA055=:REFMA055, VRMIN055=:VRMIN055, VRMAX055=:VRMAX055, VRED_055=:VRED_055, TOL__055=:TOL__055,OPOZ_055=:OPOZ_055, PREV_055=:PREV_055, STIZP055=:STIZP055, STDEC055=:STDEC055, RESUL055=:RESUL055, SIFRA=:SIFRA, INSTR=:INSTR, INSTRU=:INSTRU,LAB=:LAB, ULAB=:ULAB, TIP_IZPIS=:TIP_IZPIS, SK_IZPIS=:SK_IZPIS, RSIFRA=:RSIFRA, PIKE=:PIKE, RED=:RED, VKLOP=:VKLOP,RMIMO055=:RMIMO055,RMAMO055=:RMAMO055,RMIZE055=:RMIZE055,RMAZE055=:RMAZE055,SIFRA069=:SIFRA069,DATUMIPL=to_date(:DATUMIPL,'DD.MM.YYYY HH24:MI:SS'),USER_IPL=:USER_IPL"),
                QStringLiteral(" where SIFRA055=:SIFRA055 ")};
            d.vstavi = QStringList{
                QStringLiteral("insert into tavo.ka055lab ("),
                QStringLiteral("IZVID055, SSIF_GP1, REF__055, REFMI055, REFMA055, VRMIN055, VRMAX055, VRED_055, TOL__055,OPOZ_055, PREV_055, STIZP055, STDEC055, SIFRA055, RESUL055, SIFRA, INSTR, INSTRU,LAB, ULAB, TIP_IZPIS, SK_IZPIS, RSIFRA, PIKE, RED, VKLOP,RMIMO055,RMAMO055,RMIZE055,RMAZE055,SIFRA069,DATUMIPL,USER_IPL)"),
                QStringLiteral("  values ("),
                QStringLiteral(":IZVID055, :SSIF_GP1, :REF__055, :REFMI055, :REFMA055, :VRMIN055, :VRMAX055, :VRED_055, :TOL__055,:OPOZ_055, :PREV_055, :STIZP055, :STDEC055, :SIFRA055, :RESUL055, :SIFRA, :INSTR, :INSTRU,:LAB, :ULAB, :TIP_IZPIS, :SK_IZPIS, :RSIFRA, :PIKE, :RED, :VKLOP,:RMIMO055,:RMAMO055,:RMIZE055,:RMAZE055,:SIFRA069,to_date(:DATUMIPL,'DD.MM.YYYY HH24:MI:SS'),:USER_IPL)")};
            d.kljucVrstice = QStringLiteral("SIFRA055");
            d.pravilo = TPraviloPosodobitve::razlicenDatum;
            d.trigger = QStringLiteral("BTKA055LAB");
            d.celaStevila = {QStringLiteral("STDEC055")};
            d.realnaStevila = {QStringLiteral("REFMI055"), QStringLiteral("REFMA055"), QStringLiteral("VRMIN055"), QStringLiteral("VRMAX055"), QStringLiteral("TOL__055"), QStringLiteral("OPOZ_055"), QStringLiteral("SIFRA"), QStringLiteral("INSTR"), QStringLiteral("INSTRU"), QStringLiteral("LAB"), QStringLiteral("ULAB"), QStringLiteral("TIP_IZPIS"), QStringLiteral("SK_IZPIS"), QStringLiteral("PIKE"), QStringLiteral("RED"), QStringLiteral("VKLOP"), QStringLiteral("RMIMO055"), QStringLiteral("RMAMO055"), QStringLiteral("RMIZE055"), QStringLiteral("RMAZE055")};
            d.vednoNull = {QStringLiteral("SIFRA069")};
            d.tabeleIskanj = tabele;
            p << d;
        }
        {
            TOpisPrehoda d;
            d.tabela = QStringLiteral("KA062NHH");
            d.imeNapake = QStringLiteral("KA062NHH");
            d.iskanja << TIskanjeKode{QStringLiteral("CODE_055"), QStringLiteral("SIFRA055"), kIskanje_hc, QStringLiteral("Ni HCja "), false};
            d.iskanja << TIskanjeKode{QStringLiteral("CODE_011"), QStringLiteral("SIFRA011"), kIskanje_sto, QStringLiteral("Ni storitve "), false};
            d.obstoj = QStringList{
                QStringLiteral("select ka.*,to_char(ka.datumipl,'DD.MM.YYYY HH24:MI:SS') datipl from tavo.ka062nhh ka where ka.sifra055=:sifra055 and ka.sifra011=:sifra011")};
            d.posodobi = QStringList{
                QStringLiteral("update tavo.ka062NHH set "),
                QStringLiteral("KOL1_062=:KOL1_062, STAT_062=:STAT_062, DATUMIPL=to_date(:DATUMIPL,'DD.MM.YYYY HH24:MI:SS'), USER_IPL=:USER_IPL "),
                QStringLiteral("  where SIFRA062=:SIFRA062 ")};
            d.vstavi = QStringList{
                QStringLiteral("insert into tavo.ka062NHH"),
                QStringLiteral("(SIFRA055, SIFRA011, SIFRA062, KOL1_062, STAT_062, DATUMIPL, USER_IPL)"),
                QStringLiteral("  values "),
                QStringLiteral("(:SIFRA055, :SIFRA011, tavo.getSequence('KA062NHH'), :KOL1_062, :STAT_062, to_date(:DATUMIPL,'DD.MM.YYYY HH24:MI:SS'), :USER_IPL)")};
            d.kljucVrstice = QStringLiteral("SIFRA062");
            d.pravilo = TPraviloPosodobitve::razlicenDatumUporabnik;
            d.trigger = QStringLiteral("BTKA062NHH");
            d.realnaStevila = {QStringLiteral("KOL1_062")};
            d.tabeleIskanj = tabele;
            p << d;
        }
        return p;
    }();
    return prehodi;
}
