<?xml version="1.0" encoding="UTF-8"?>
<!-- Title page and general project data of every report. -->
<xsl:stylesheet version="1.0" xmlns:xsl="http://www.w3.org/1999/XSL/Transform">
  <xsl:import href="common.xsl"/>
  <xsl:output method="xml" encoding="UTF-8"/>

  <xsl:template match="/general">
    <report>
      <projecttype><xsl:value-of select="@type"/></projecttype>
      <projecttitle><msg>General specification</msg></projecttitle>
      <page/>
      <bookmark label="Title page" level="0"/>
      <companylogo x="240" y="32"/>
      <setxy x="10" y="55"/>
      <xmlcell width="220">
        <font size="22"><b><msg>Design report</msg></b></font><br/>
        <font size="14"><xsl:value-of select="project/@title"/></font>
      </xmlcell>
      <ln height="10"/>
      <cell width="60" height="6" border="B">Project number</cell>
      <cell width="120" height="6" border="B" ln="1"><xsl:value-of select="project/@number"/></cell>
      <cell width="60" height="6">Client</cell>
      <cell width="120" height="6" ln="1"><xsl:value-of select="project/@client"/></cell>
      <cell width="60" height="6">Location</cell>
      <cell width="120" height="6" ln="1"><xsl:value-of select="project/@location"/></cell>
      <cell width="60" height="6">Unit system</cell>
      <cell width="120" height="6" ln="1"><xsl:value-of select="$unitsystem"/></cell>
      <ln height="8"/>
      <xmlcell width="270">
        <i><msg>This report was generated from the project data of the design application.</msg></i>
      </xmlcell>

      <page/>
      <xsl:call-template name="heading"><xsl:with-param name="text" select="'Project data'"/></xsl:call-template>
      <xsl:for-each select="section">
        <xsl:call-template name="heading">
          <xsl:with-param name="text" select="@title"/>
          <xsl:with-param name="level" select="1"/>
        </xsl:call-template>
        <xsl:call-template name="datatable"/>
      </xsl:for-each>
      <xsl:if test="notes">
        <xsl:call-template name="heading">
          <xsl:with-param name="text" select="'Design messages'"/>
          <xsl:with-param name="level" select="1"/>
        </xsl:call-template>
        <xsl:for-each select="notes">
          <notes mtype="{@module}" flags1="{@flags1}" flags2="{@flags2}"/>
        </xsl:for-each>
      </xsl:if>
    </report>
  </xsl:template>
</xsl:stylesheet>
